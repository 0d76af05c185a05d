// A small, strict XML reader for checking the SVG output in tests: elements, attributes,
// text, the five predefined entities and numeric references. It throws on anything that is
// not well-formed, so a test that parses the output also checks that a browser could.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvtest {

struct XmlNode {
    std::string name;
    std::map<std::string, std::string> attrs;
    std::string text; // concatenated character data of this element (not of children)
    std::vector<std::unique_ptr<XmlNode>> children;

    // Every descendant element with the name, in document order.
    void FindAll(const std::string& n, std::vector<const XmlNode*>& out) const {
        for (const auto& c : children) {
            if (c->name == n) out.push_back(c.get());
            c->FindAll(n, out);
        }
    }
    std::vector<const XmlNode*> All(const std::string& n) const {
        std::vector<const XmlNode*> out;
        FindAll(n, out);
        return out;
    }
};

class XmlReader {
public:
    static std::unique_ptr<XmlNode> Parse(const std::string& s) {
        XmlReader r(s);
        r.SkipProlog();
        auto root = r.Element();
        r.SkipSpace();
        if (r.p_ != s.size()) throw std::runtime_error("content after the root element");
        return root;
    }

private:
    explicit XmlReader(const std::string& s) : s_(s) {}
    const std::string& s_;
    size_t p_ = 0;

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(what + " at offset " + std::to_string(p_));
    }
    bool At(const char* t) const { return s_.compare(p_, std::char_traits<char>::length(t), t) == 0; }
    void SkipSpace() { while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_; }
    void SkipProlog() {
        SkipSpace();
        if (At("<?xml")) {
            size_t e = s_.find("?>", p_);
            if (e == std::string::npos) Fail("unterminated declaration");
            p_ = e + 2;
        }
        SkipSpace();
    }
    std::string Name() {
        size_t b = p_;
        while (p_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '-' || s_[p_] == ':' || s_[p_] == '_' || s_[p_] == '.')) ++p_;
        if (b == p_) Fail("name expected");
        return s_.substr(b, p_ - b);
    }
    static void Utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
        else { out += static_cast<char>(0xE0 | (cp >> 12)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    }
    std::string Decode(const std::string& raw) {
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            char c = raw[i];
            if (c == '<') Fail("'<' in text");
            if (c != '&') { out += c; continue; }
            size_t e = raw.find(';', i);
            if (e == std::string::npos) Fail("unterminated entity");
            std::string ent = raw.substr(i + 1, e - i - 1);
            if (ent == "amp") out += '&';
            else if (ent == "lt") out += '<';
            else if (ent == "gt") out += '>';
            else if (ent == "quot") out += '"';
            else if (ent == "apos") out += '\'';
            else if (ent.size() > 1 && ent[0] == '#') Utf8(out, static_cast<unsigned>(ent[1] == 'x' ? std::stoul(ent.substr(2), nullptr, 16) : std::stoul(ent.substr(1))));
            else Fail("unknown entity " + ent);
            i = e;
        }
        return out;
    }
    std::unique_ptr<XmlNode> Element() {
        if (p_ >= s_.size() || s_[p_] != '<') Fail("'<' expected");
        ++p_;
        auto node = std::make_unique<XmlNode>();
        node->name = Name();
        while (true) {
            SkipSpace();
            if (At("/>")) { p_ += 2; return node; }
            if (At(">")) { ++p_; break; }
            std::string an = Name();
            SkipSpace();
            if (!At("=")) Fail("'=' expected");
            ++p_;
            SkipSpace();
            if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) Fail("quote expected");
            char q = s_[p_++];
            size_t e = s_.find(q, p_);
            if (e == std::string::npos) Fail("unterminated attribute");
            if (node->attrs.count(an)) Fail("duplicate attribute " + an);
            node->attrs[an] = Decode(s_.substr(p_, e - p_));
            p_ = e + 1;
        }
        while (true) {
            if (p_ >= s_.size()) Fail("unterminated element " + node->name);
            if (At("</")) {
                p_ += 2;
                if (Name() != node->name) Fail("mismatched end tag");
                SkipSpace();
                if (!At(">")) Fail("'>' expected");
                ++p_;
                return node;
            }
            if (s_[p_] == '<') { node->children.push_back(Element()); continue; }
            size_t e = s_.find('<', p_);
            if (e == std::string::npos) Fail("unterminated element");
            node->text += Decode(s_.substr(p_, e - p_));
            p_ = e;
        }
    }
};

} // namespace qvtest

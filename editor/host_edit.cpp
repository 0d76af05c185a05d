// The edit command: a session on one element's pages and the printed schematic.

#include "editor/host_shared.h"
#include "editor/output_files.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "editor/param_list_fill.h"
#include "editor/text_codec.h"
#include "framework/data_file_identity.h"
#include "toolkit/read_write_files.h"
#include "toolkit/shortest_number.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "win32/win32.h"
#include "wizard/environment.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory_resource>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {

using namespace host_detail;

bool Host::Edit(const std::string& name, const std::vector<std::string>& lines, EditOutcome& outcome,
                std::string& error) {
    Element* element = FindElement(name);
    if (element == nullptr) {
        error = "the schematic has no " + ElementLabel(name);
        return false;
    }
    return EditElement(*element, lines, outcome, error);
}

bool Host::EditElement(Element& element, const std::vector<std::string>& lines, EditOutcome& outcome,
                       std::string& error, bool keepsRename) {
    std::vector<ScriptAction> actions;
    if (!ParseEditScript(lines, actions, error)) {
        error = "edit script: " + error;
        return false;
    }
    if (!RunEdit(element, actions, outcome, error)) return false;
    element.source.script.insert(element.source.script.end(), lines.begin(), lines.end());
    if (!TakeName(element, error, keepsRename)) return false;
    FollowOwnDataFiles(element);
    return true;
}

SchematicElement Host::WithFileParamsOfSet(const Element& element) const {
    SchematicElement now = element.source;
    now.params.clear();
    const ParamHolder* holder = m_editor->Holder(element.handle);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        SchematicParam taken;
        taken.name = ToString(param->GetName());
        taken.hasValue = true;
        taken.value = ToString(param->GetValue());
        now.params.push_back(std::move(taken));
    }
    return now;
}

void Host::FollowOwnDataFiles(Element& element) {
    if (m_loading) return;
    // The names the session left: the element's name is taken already, its file parameters are
    // read from the set. The files it was made with stay its own as well.
    for (std::string& path : OwnDataFiles(WithFileParamsOfSet(element))) {
        if (std::find(element.ownFiles.begin(), element.ownFiles.end(), path) != element.ownFiles.end()) continue;
        m_ownDataFiles.insert(path);
        element.ownFiles.push_back(std::move(path));
    }
}

namespace {

// The text an `edit -o` prints while the elements are made. It goes into a part file beside
// the output that takes the output's place once the edit succeeded, so that a refused edit
// leaves no output (the owner of output files names the part file, one no file holds yet).
// Where no part file can stand there (the output is a device or a folder, or the folder takes
// no file), the text gathers in an unnamed temporary file and is written into the output at
// the end, as a whole text is.
// The elements after the edited one are printed before it is edited and wait in a second
// unnamed file.
class EditedSchematicFile {
public:
    ~EditedSchematicFile() {
        for (std::FILE* file : {m_main, m_after})
            if (file != nullptr) std::fclose(file);
        if (!m_partPath.empty()) OutputFiles::Current().Discard(m_partPath);
    }
    void Open(const std::string& path, const Host& host) {
        m_path = path;
        if (IsReplaceableFile(path.c_str())) {
            std::string refused;
            std::string part;
            const int fd = OutputFiles::Current().OpenFile(path, part, refused);
            if (fd >= 0) m_main = ::fdopen(fd, "wb");
            if (m_main != nullptr) {
                m_partPath = part;
            } else if (fd >= 0) {
                ::close(fd);
                OutputFiles::Current().Discard(part);
            }
        }
        // A command whose journal failed, or that found a folder of its own changed by another
        // user, writes nothing more, not even through the output's path.
        if (m_main == nullptr && OutputFiles::Current().JournalFault().empty()) m_main = std::tmpfile();
        m_after = std::tmpfile();
        m_ok = m_main != nullptr && m_after != nullptr;
        if (!m_ok) Refused();
    }
    void Write(const std::string& text) { Put(m_main, text); }
    void WriteAfter(const std::string& text) { Put(m_after, text); }
    // Puts the whole text (what Write wrote, then what WriteAfter wrote, then `end`) in place.
    bool Finish(const std::string& end, std::string& error) {
        if (m_ok) Append(m_after, m_main);
        Put(m_main, end);
        const bool written = m_ok && std::fflush(m_main) == 0;
        if (written && !m_partPath.empty()) {
            const bool closed = std::fclose(m_main) == 0;
            m_main = nullptr;
            if (!closed) {
                error = OutputFiles::CannotBeWritten(m_path, errno);
                return false;
            }
            const std::string part = std::move(m_partPath);
            m_partPath.clear();
            return PutInPlace(part, m_path, error);
        }
        if (!written) Refused();
        bool ok = written;
        if (ok) {
            std::FILE* out = std::fopen(m_path.c_str(), "wb");
            ok = out != nullptr;
            if (!ok) Refused();
            std::rewind(m_main);
            char chunk[65536];
            for (size_t n; ok && (n = std::fread(chunk, 1, sizeof chunk, m_main)) > 0;)
                if (std::fwrite(chunk, 1, n, out) != n) ok = Refused();
            if (ok && std::ferror(m_main)) ok = Refused();
            if (out != nullptr && std::fclose(out) != 0 && ok) ok = Refused();
        }
        if (!ok) error = OutputFiles::CannotBeWritten(m_path, m_reason);
        return ok;
    }

private:
    // Keeps the system's reason for the first refusal; false, for the caller to take.
    bool Refused() {
        if (m_reason == 0) m_reason = errno != 0 ? errno : EIO;
        return false;
    }
    void Put(std::FILE* file, const std::string& text) {
        if (m_ok && !text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) m_ok = Refused();
    }
    void Append(std::FILE* from, std::FILE* to) {
        std::rewind(from);
        char chunk[65536];
        for (size_t n; m_ok && (n = std::fread(chunk, 1, sizeof chunk, from)) > 0;)
            if (std::fwrite(chunk, 1, n, to) != n) m_ok = Refused();
        if (m_ok && std::ferror(from)) m_ok = Refused();
    }

    std::string m_path;
    std::string m_partPath;   // "" when the text gathers in an unnamed file
    std::FILE* m_main = nullptr;
    std::FILE* m_after = nullptr;
    bool m_ok = false;
    int m_reason = 0;   // errno of the first refusal
};

} // namespace

struct Host::EditSink : ElementSink {
    Host& host;
    const std::string& name;
    EditedSchematicFile* file = nullptr;   // null: nothing is printed
    SchematicTextWriter writer;
    SchematicTextWriter afterWriter;
    Element* edited = nullptr;
    // The first element whose state cannot be read, before and after the edited one.
    std::string stateBefore;
    std::string stateAfter;
    EditSink(Host& h, const std::string& n) : host(h), name(n) {}
    bool Begin(size_t, std::string&) override { return true; }
    bool Take(Element& element, std::string&) override {
        if (edited == nullptr && element.source.name == name) {
            edited = &element;
            keepLast = true;
            return true;
        }
        if (file == nullptr) return true;
        SchematicTextWriter& to = edited == nullptr ? writer : afterWriter;
        to.Add(host.CurrentElement(element));
        std::string& state = edited == nullptr ? stateBefore : stateAfter;
        if (state.empty()) state = host.m_stateError;
        host.m_stateError.clear();
        if (edited == nullptr)
            file->Write(to.TakeWritten());
        else
            file->WriteAfter(to.TakeWritten());
        return true;
    }
};

bool Host::EditSchematicText(const std::string& text, const std::string& documentFolder, const std::string& name,
                             const std::vector<std::string>& lines, const std::string& outPath,
                             const std::function<bool(std::string&)>& beforeEdit, EditOutcome& outcome,
                             std::string& error, bool* textFault) {
    // The first reading finds any fault of the text before an element is made.
    std::string document;
    size_t count = 0;
    m_namesAhead.clear();
    const SchematicElementTaker counted = [this, &count](SchematicElement& element, std::string&) {
        ++count;
        m_namesAhead.push_back(element.name);
        return true;
    };
    const bool read = ReadSchematicElements(text, document, counted, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    EditSink sink(*this, name);
    EditedSchematicFile file;
    if (!outPath.empty()) {
        file.Open(outPath, *this);
        sink.file = &file;
        sink.writer.Begin(document);
        sink.afterWriter.ContinueAfterOthers();
    }
    m_stateError.clear();
    const auto edit = [&](std::string& editError) {
        if (beforeEdit && !beforeEdit(editError)) return false;
        if (sink.edited == nullptr) {
            editError = "the schematic has no " + ElementLabel(name);
            return false;
        }
        // The printed schematic and the table the session writes cannot share one file.
        if (!outPath.empty()) {
            std::error_code code;
            const std::string printed =
                DataFileIdentity(std::filesystem::absolute(outPath, code).lexically_normal().string());
            for (const std::string& own : sink.edited->ownFiles)
                if (DataFileIdentity(own) == printed) {
                    editError = ShownPath(outPath) + ": the printed schematic would be written over the table's own file of " +
                                ElementLabel(name);
                    return false;
                }
        }
        if (!EditElement(*sink.edited, lines, outcome, editError, !outPath.empty())) return false;
        if (outPath.empty()) return true;
        sink.writer.Add(CurrentElement(*sink.edited));
        // A schematic that would describe otherwise than the elements do is not written.
        for (const std::string* state : {&sink.stateBefore, &m_stateError, &sink.stateAfter})
            if (!state->empty()) {
                editError = *state;
                return false;
            }
        file.Write(sink.writer.TakeWritten());
        return file.Finish(sink.writer.Finish(), editError);
    };
    return BuildText(text, document, count, documentFolder, sink, error, edit);
}

bool Host::RunEdit(Element& element, const std::vector<ScriptAction>& actions, EditOutcome& outcome,
                   std::string& error, std::string* writeError) {
    EditScriptRunner runner;
    const uintptr_t from = HandleProbe();
    runner.savePreview = [from, writeError](const std::string& path, std::string& message) {
        CWnd* preview = NewestPreviewWindow(from);
        if (preview == nullptr) {
            message = "no characteristic preview is open";
            return false;
        }
        preview->Invalidate();
        preview->UpdateWindow();
        const DisplayList* painting = GetLastPainting(preview);
        if (painting == nullptr) {
            message = "the preview painted nothing";
            return false;
        }
        // One more file of the session: the command's end commits or takes back all of them.
        if (WriteWholeFile(path, RenderSvg(*painting), message, false)) return true;
        if (writeError != nullptr) *writeError = message;
        return false;
    };
    const bool ok = RunSession(element, actions, runner, error);
    outcome.listing = runner.FinalListing();
    outcome.printed = runner.Printed();
    if (ok && !m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        return false;
    }
    return ok;
}


} // namespace qv

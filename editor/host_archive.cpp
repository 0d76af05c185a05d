// The save and load commands: the editor's record of an element and the archive of a schematic.

#include "editor/host_shared.h"
#include "editor/output_files.h"

#include "afx/dc.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "editor/characteristic_forms.h"
#include "editor/param_list_fill.h"
#include "editor/text_codec.h"
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

IMPLEMENT_SERIAL(CSchematicElementRecord, CObject, VERSIONABLE_SCHEMA | 6)

namespace qv {
// Members of one family an archive may list (parameters, outputs of one element).
constexpr DWORD kMaxArchivedRecordMembers = 10000;
} // namespace qv

void CSchematicElementRecord::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << wizardId << base << kind << name << showName << symbolVariant;
        ar << static_cast<DWORD>(params.size());
        for (const Param& param : params)
            ar << param.name << param.value << param.usedUnit << param.type << param.extType << param.templateName
               << param.valueID << param.onSheet << param.info;
        ar << static_cast<DWORD>(outputs.size());
        for (const CString& output : outputs) ar << output;
        return;
    }
    // Only the record's own schemas can be read: a later one may hold members this host
    // would skip without a word. Schema 1 has no template names (its parameters were all the
    // catalogue's or family members), schema 2 no value IDs (its parameters keep the ones they
    // are made with), schema 3 no on-sheet modes (they keep the ones they are made with),
    // schema 4 no info texts (they keep the ones they are made with), schema 5 no kind (its
    // element is the first of its wizard ID, the only one a schematic could name then).
    const UINT schema = ar.GetObjectSchema();
    if (schema < 1 || schema > 6) AfxThrowArchiveException(CArchiveException::badSchema);
    ar >> wizardId >> base;
    kind.Empty();
    if (schema >= 6) ar >> kind;
    ar >> name >> showName >> symbolVariant;
    DWORD count = 0;
    ar >> count;
    // Counts from the file are checked before anything is sized by them.
    if (count > qv::kMaxArchivedRecordMembers) AfxThrowArchiveException(CArchiveException::badIndex);
    params.clear();
    for (DWORD i = 0; i < count; ++i) {
        Param param;
        ar >> param.name >> param.value >> param.usedUnit >> param.type >> param.extType;
        if (schema >= 2) ar >> param.templateName;
        if (schema >= 3) ar >> param.valueID;
        param.hasOnSheet = schema >= 4;
        if (param.hasOnSheet) ar >> param.onSheet;
        param.hasInfo = schema >= 5;
        if (param.hasInfo) ar >> param.info;
        params.push_back(param);
    }
    ar >> count;
    if (count > qv::kMaxArchivedRecordMembers) AfxThrowArchiveException(CArchiveException::badIndex);
    outputs.clear();
    for (DWORD i = 0; i < count; ++i) {
        CString output;
        ar >> output;
        outputs.push_back(output);
    }
}

namespace qv {

using namespace host_detail;

struct Host::ArchiveSink : ElementSink {
    Host& host;
    ArchiveJob& job;
    ArchiveSink(Host& h, ArchiveJob& j) : host(h), job(j) {}
    bool Begin(size_t count, std::string& error) override {
        return Guard([&] { host.WriteArchiveHeader(job, count); }, job.path, error);
    }
    bool Take(Element& element, std::string& error) override {
        return Guard([&] { host.SaveElement(element, job); }, job.path, error);
    }
};

bool Host::SaveSchematicText(const std::string& text, const std::string& documentFolder, const std::string& path,
                             size_t& count, std::string& error, bool* textFault) {
    std::string document;
    size_t elements = 0;
    std::string checkError;
    const bool read = CheckSchematicText(text, nullptr, document, elements, checkError, error);
    if (textFault != nullptr) *textFault = !read;
    if (!read) return false;
    if (!checkError.empty()) {
        error = checkError;
        return false;
    }
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    ArchiveSink sink(*this, job);
    const bool built = BuildText(text, document, elements, documentFolder, sink, error);
    if (!built) {
        job.archive.reset();
        job.file.Abort();
        OutputFiles::Current().Discard(job.partPath);
        return false;
    }
    if (!FinishArchive(job, error)) return false;
    count = elements;
    return true;
}

bool Host::SaveSchematic(const Schematic& schematic, const std::string& documentFolder, const std::string& path,
                         std::string& error) {
    if (!CheckSchematic(schematic, error)) return false;
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    ArchiveSink sink(*this, job);
    m_sink = &sink;
    const bool built = Build(schematic, documentFolder, error);
    m_sink = nullptr;
    DropAllElements();
    if (!built) {
        job.archive.reset();
        job.file.Abort();
        OutputFiles::Current().Discard(job.partPath);
        return false;
    }
    return FinishArchive(job, error);
}

bool Host::LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                       std::string& text, size_t& count, std::string& error) {
    std::string whole;
    if (!LoadArchive(path, documentFolder, resavePath, [&whole](const std::string& piece) { whole += piece; }, count,
                     error))
        return false;
    text = std::move(whole);
    return true;
}

bool Host::LoadArchive(const std::string& path, const std::string& documentFolder, const std::string& resavePath,
                       const std::function<void(const std::string&)>& print, size_t& count, std::string& error) {
    m_stateError.clear();
    ArchiveJob job;
    const bool resave = !resavePath.empty();
    if (resave && !BeginArchive(resavePath, job, error)) return false;
    struct Sink : ElementSink {
        Host* host;
        ArchiveJob* job;
        bool resave;
        SchematicTextWriter* writer;
        const std::function<void(const std::string&)>* print;
        size_t count = 0;
        // The output's own fault: reported as it is, not as a fault of the archive read.
        std::string writeError;
        bool Resave(const std::function<void()>& step, std::string& error) {
            if (!resave || Guard(step, job->path, error)) return true;
            writeError = error;
            return false;
        }
        bool Begin(size_t total, std::string& error) override {
            writer->Begin(host->m_document);
            (*print)(writer->TakeWritten());
            return Resave([&] { host->WriteArchiveHeader(*job, total); }, error);
        }
        bool Take(Element& element, std::string& error) override {
            writer->Add(host->CurrentElement(element));
            if (!host->m_stateError.empty()) {
                error = host->m_stateError;
                return false;
            }
            (*print)(writer->TakeWritten());
            ++count;
            return Resave([&] { host->SaveElement(element, *job); }, error);
        }
    } sink;
    SchematicTextWriter writer;
    sink.host = this;
    sink.job = &job;
    sink.resave = resave;
    sink.writer = &writer;
    sink.print = &print;
    m_sink = &sink;
    const bool loaded = Load(path, documentFolder, error);
    m_sink = nullptr;
    DropAllElements();
    if (!loaded) {
        if (!sink.writeError.empty()) error = sink.writeError;
        if (resave) {
            job.archive.reset();
            job.file.Abort();
            OutputFiles::Current().Discard(job.partPath);
        }
        return false;
    }
    if (resave && !FinishArchive(job, error)) return false;
    print(writer.Finish());
    count = sink.count;
    return true;
}


bool Host::Save(const std::string& path, std::string& error) {
    ArchiveJob job;
    if (!BeginArchive(path, job, error)) return false;
    try {
        WriteArchiveHeader(job, m_elements.size());
        for (const auto& element : m_elements) SaveElement(*element, job);
    } catch (CException* e) {
        error = CannotBeWritten(path, e);
        e->Delete();
        job.archive.reset();
        job.file.Abort();
        OutputFiles::Current().Discard(job.partPath);
        return false;
    }
    return FinishArchive(job, error);
}

bool Host::BeginArchive(const std::string& path, ArchiveJob& job, std::string& error) {
    if (!OutputFiles::HasUtf8Name(path, error)) return false;
    job.path = path;
    const int fd = OutputFiles::Current().OpenFile(path, job.partPath, error);
    if (fd < 0) return false;
    if (!job.file.Take(fd, path)) {
        error = OutputFiles::CannotBeWritten(path, errno);
        return false;
    }
    job.archive = std::make_unique<CArchive>(&job.file, CArchive::store);
    return true;
}

void Host::WriteArchiveHeader(ArchiveJob& job, size_t count) {
    CArchive& ar = *job.archive;
    ar << CString(kArchiveMagic) << kArchiveFormat << ToCString(m_document);
    ar << static_cast<DWORD>(count);
}

void Host::SaveElement(Element& element, ArchiveJob& job) {
    CArchive& ar = *job.archive;
    const ParamHolder* holder = m_editor->Holder(element.handle);
    CSchematicElementRecord* record = &job.record;
    record->params.clear();
    record->outputs.clear();
    record->wizardId = element.type->id;
    record->base = static_cast<BYTE>(element.type->base);
    record->kind = m_catalogue.NamedByIdAlone(*element.type) ? CString() : ToCString(element.type->kind);
    record->name = ToCString(element.source.name);
    record->showName = holder->m_dwShowName;
    record->symbolVariant = holder->m_bySymbolVariant;
    const std::vector<std::string> made = PageMadeTemplates(holder, *element.type);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        record->params.push_back({param->GetName(), param->GetValue(), param->GetUsedUnit(), param->GetType(),
                                  param->GetExtType(), ToCString(made[static_cast<size_t>(i)]), param->GetValueID(),
                                  static_cast<BYTE>(param->GetOnSheetMode()), true,
                                  ToCString(InfoShown(*param)), true});
    }
    for (const CWizardCopaObject3* param : OutputParams(holder)) record->outputs.push_back(param->GetName());
    ar.WriteObject(record);
    // Forgotten once written, so that the next element's record, at this address again, is
    // written as an object of its own and not as a reference to this one.
    ar.ForgetObject(record);
    if (element.wizard4 != nullptr) {
        element.wizard4->Serialize(ar, eSheetVersion4);
    } else {
        BYTE* data = nullptr;
        const DWORD size = element.wizard3->GetAdditionalWizardData(eSheetVersion4, &data);
        ar << (data != nullptr ? size : 0u);
        if (data != nullptr && size > 0) ar.Write(data, size);
    }
}

bool Host::FinishArchive(ArchiveJob& job, std::string& error) {
    bool ok = true;
    try {
        job.archive->Close();
        job.file.Close();
    } catch (CException* e) {
        error = CannotBeWritten(job.path, e);
        e->Delete();
        ok = false;
    }
    job.archive.reset();
    if (!ok) {
        job.file.Abort();
        OutputFiles::Current().Discard(job.partPath);
        OutputFiles::Current().Settle(false);
        return false;
    }
    return PutInPlace(job.partPath, job.path, error);
}

bool Host::Load(const std::string& path, const std::string& documentFolder, std::string& error) {
    struct Loading {
        bool& flag;
        ~Loading() { flag = false; }
    } loading{m_loading = true};
    StartSchematic();
    SetNamers(nullptr);
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead)) {
        error = ShownPath(path) + ": cannot be read";
        return false;
    }
    bool ok = false;
    try {
        CArchive ar(&file, CArchive::load);
        CString magic;
        WORD format = 0;
        CString document;
        ar >> magic;
        if (magic != kArchiveMagic) throw std::runtime_error("not a schematic archive");
        ar >> format;
        if (format != kArchiveFormat) throw std::runtime_error("archive format " + std::to_string(format) + " is not known");
        ar >> document;
        const std::string documentName = ToString(document);
        std::string why;
        if (!IsUsableName(documentName, why)) throw std::runtime_error("the archive's document name " + why);
        SetDocument(documentFolder, documentName);
        DWORD count = 0;
        ar >> count;
        if (count > kMaxSchematicElements) throw std::runtime_error("the archive lists too many elements");
        std::string sinkError;
        if (m_sink != nullptr && !m_sink->Begin(count, sinkError)) throw std::runtime_error(sinkError);
        // The names' collision keys, in one arena: a node of the heap for each of a million
        // names would cost more than the name itself.
        std::pmr::monotonic_buffer_resource namesArena;
        std::pmr::unordered_set<std::pmr::string> names(&namesArena);
        for (DWORD i = 0; i < count; ++i) {
            // Each record is forgotten by the archive when its element is done (below), so a
            // reference back to a record read before gives null.
            std::unique_ptr<CObject> object(ar.ReadObject(RUNTIME_CLASS(CSchematicElementRecord)));
            auto* record = static_cast<CSchematicElementRecord*>(object.get());
            if (record == nullptr)
                throw std::runtime_error("element record " + std::to_string(i + 1) + " is missing");
            SchematicElement source;
            source.id = record->wizardId;
            source.kind = ToString(record->kind);
            source.name = ToString(record->name);
            source.showName = record->showName != 0;
            if (!IsUsableName(source.name, why) || !names.insert(std::pmr::string(NameCollisionKey(source.name), &namesArena)).second)
                throw std::runtime_error("element record " + std::to_string(i + 1) + " has no usable unique name");
            std::string addError;
            const CatalogueElement* type = TypeOf(source, addError);
            if (type == nullptr) throw std::runtime_error(addError);
            if (type->base != record->base)
                throw std::runtime_error(ElementLabel(source.name) + ": wizard ID " + std::to_string(source.id) +
                                         " is not in the catalogue with this base");
            if (!AddElement(source, false, addError)) throw std::runtime_error(addError);
            Element& element = *m_elements.back();
            ParamHolder* holder = m_editor->Holder(element.handle);
            holder->m_bySymbolVariant = record->symbolVariant;
            std::set<const CWizardCopaObject3*> taken;
            std::vector<std::string> order;
            for (const auto& stored : record->params) {
                order.push_back(ToString(stored.name));
                CWizardCopaObject3* param =
                    stored.templateName.IsEmpty()
                        ? ParamOrMember(holder, *type, ToString(stored.name), taken)
                        : MadeFromTemplate(holder, *type, ToString(stored.templateName), ToString(stored.name));
                if (param == nullptr)
                    throw std::runtime_error(ElementLabel(source.name) + ": no parameter " + Quoted(ToString(stored.name)));
                taken.insert(param);
                param->SetValue(stored.value);
                param->SetUsedUnit(stored.usedUnit);
                param->SetType(stored.type);
                param->SetExtType(stored.extType);
                if (stored.valueID != 0) param->SetValueID(stored.valueID);
                if (stored.hasOnSheet) param->SetOnSheetMode(static_cast<char>(stored.onSheet));
                if (stored.hasInfo) SetInfoShown(*param, ToString(stored.info));
                if (!stored.templateName.IsEmpty()) {
                    const std::string fault = MadeParamValueIdFault(*type, *param, source.name);
                    if (!fault.empty()) throw std::runtime_error(fault);
                }
            }
            // The record lists the live parameters in the order the pages left them.
            std::string missing;
            bool kept = false;
            if (!ArrangeParams(holder, order, missing, &kept))
                throw std::runtime_error(ElementLabel(source.name) + (kept ? ": no record of parameter " : ": no parameter ") +
                                         Quoted(missing));
            element.source.outputs.clear();
            for (const CString& output : record->outputs) element.source.outputs.push_back(ToString(output));
            if (!ApplyValues(element, addError)) throw std::runtime_error(addError);
            element.source.outputs.clear();
            if (element.wizard4 != nullptr) {
                element.wizard4->Serialize(ar, eSheetVersion4);
            } else {
                DWORD size = 0;
                ar >> size;
                if (size > kMaxAdditionalData) throw std::runtime_error(ElementLabel(source.name) + ": its wizard data is too large");
                // Read in chunks, so that a size the file cannot back takes no memory.
                std::vector<BYTE> data;
                BYTE chunk[65536];
                while (data.size() < size) {
                    const UINT want = static_cast<UINT>(std::min<size_t>(sizeof chunk, size - data.size()));
                    if (ar.Read(chunk, want) != want) AfxThrowArchiveException(CArchiveException::endOfFile);
                    data.insert(data.end(), chunk, chunk + want);
                }
                BYTE* copy = size > 0 ? new BYTE[size] : nullptr;
                if (size > 0) std::memcpy(copy, data.data(), size);
                element.wizard3->SetAdditionalWizardData(copy, size);
                m_editor->KeepAdditionalData(*element.wizard3, element.handle);
            }
            if (!Stream(sinkError)) throw std::runtime_error(sinkError);
            // The record goes with this element; a fault above ends the archive, so it is
            // forgotten only here.
            ar.ForgetObject(record);
        }
        RefuseTrailingData(ar);
        ok = true;
    } catch (CException* e) {
        error = ShownPath(path) + ": the archive is damaged (" + ExceptionText(e) + ")";
        e->Delete();
    } catch (const std::runtime_error& e) {
        error = ShownPath(path) + ": " + e.what();
    }
    if (ok && !m_editor->Breaches().empty()) {
        error = "request protocol breach: " + m_editor->Breaches().front();
        ok = false;
    }
    if (!ok) ClearElements();
    return ok;
}


bool Host::SaveWizardData(Element& element, std::vector<unsigned char>& bytes, std::string& error) {
    bytes.clear();
    try {
        if (element.wizard4 != nullptr) {
            CMemFile file;
            CArchive ar(&file, CArchive::store);
            element.wizard4->Serialize(ar, eSheetVersion4);
            ar.Close();
            const BYTE* data = file.Data();
            if (data != nullptr) bytes.assign(data, data + file.GetLength());
        } else {
            BYTE* data = nullptr;
            const DWORD size = element.wizard3->GetAdditionalWizardData(eSheetVersion4, &data);
            if (data != nullptr) bytes.assign(data, data + size);
        }
    } catch (CException* e) {
        error = ElementLabel(element.source.name) + ": its wizard data cannot be written (" + ExceptionText(e) + ")";
        e->Delete();
        return false;
    }
    return true;
}

bool Host::LoadWizardData(Element& element, std::string& error) {
    return LoadWizardData(element, element.source.wizardData, error);
}

bool Host::LoadWizardData(Element& element, const std::vector<unsigned char>& bytes, std::string& error) {
    const std::string where = ElementLabel(element.source.name);
    if (bytes.size() > kMaxAdditionalData) {
        error = where + ": its wizard data is too large";
        return false;
    }
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (element.wizard3 != nullptr) {
        BYTE* copy = size > 0 ? new BYTE[size] : nullptr;
        if (size > 0) std::memcpy(copy, bytes.data(), size);
        element.wizard3->SetAdditionalWizardData(copy, size);
        m_editor->KeepAdditionalData(*element.wizard3, element.handle);
        return true;
    }
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    try {
        CMemFile file(buffer.data(), size);
        CArchive ar(&file, CArchive::load);
        element.wizard4->Serialize(ar, eSheetVersion4);
        // The block is the wizard's data and nothing else: bytes it leaves unread are refused.
        BYTE probe = 0;
        if (ar.Read(&probe, 1) != 0) throw std::runtime_error("bytes follow the data the wizard reads");
        ar.Close();
    } catch (CException* e) {
        error = where + ": its wizard data is damaged (" + ExceptionText(e) + ")";
        e->Delete();
        return false;
    } catch (const std::runtime_error& e) {
        error = where + ": its wizard data is damaged (" + e.what() + ")";
        return false;
    }
    return true;
}


} // namespace qv

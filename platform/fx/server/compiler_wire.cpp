// The compiler processes' messages (see compiler_wire.h).
#include "platform/fx/server/compiler_wire.h"

#include <cstdint>
#include <cstring>

namespace fx {
namespace {

class Writer {
public:
    void U32(uint32_t v) { data_.append(reinterpret_cast<const char*>(&v), 4); }
    void I32(int v) { U32(static_cast<uint32_t>(v)); }
    void U64(uint64_t v) { data_.append(reinterpret_cast<const char*>(&v), 8); }
    void Str(std::string_view v) {
        U32(static_cast<uint32_t>(v.size()));
        data_.append(v);
    }
    void Byte(char c) { data_ += c; }
    void Pos(const SourcePos& p) {
        I32(p.line);
        I32(p.column);
        Str(p.file);
    }
    void Map(const SourceMap& map) {
        U32(static_cast<uint32_t>(map.files.size()));
        for (const std::string& file : map.files) Str(file);
        U32(static_cast<uint32_t>(map.entries.size()));
        for (const SourceMap::Entry& e : map.entries) {
            U32(e.outLine);
            U32(e.outColumn);
            U32(e.line);
            U32(e.column);
            U32(e.file | (e.exact ? 0x10000u : 0u));
        }
    }
    void Floats(const std::vector<float>& values) {
        U32(static_cast<uint32_t>(values.size()));
        for (float v : values) {
            uint32_t bits = 0;
            std::memcpy(&bits, &v, sizeof bits);
            U32(bits);
        }
    }
    std::string Take() { return std::move(data_); }

private:
    std::string data_;
};

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    bool U32(uint32_t* v) {
        if (data_.size() - pos_ < 4) return false;
        std::memcpy(v, data_.data() + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool I32(int* v) {
        uint32_t u = 0;
        if (!U32(&u)) return false;
        *v = static_cast<int>(u);
        return true;
    }
    bool U64(uint64_t* v) {
        if (data_.size() - pos_ < 8) return false;
        std::memcpy(v, data_.data() + pos_, 8);
        pos_ += 8;
        return true;
    }
    bool Str(std::string* v) {
        uint32_t n = 0;
        if (!U32(&n) || data_.size() - pos_ < n) return false;
        v->assign(data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Byte(char* c) {
        if (pos_ >= data_.size()) return false;
        *c = data_[pos_++];
        return true;
    }
    // A count of items that each take at least minBytes: never more than
    // the data left could hold.
    bool Count(uint32_t* n, size_t minBytes) {
        return U32(n) && *n <= (data_.size() - pos_) / minBytes;
    }
    bool Pos(SourcePos* p) { return I32(&p->line) && I32(&p->column) && Str(&p->file); }
    // Every entry names one of the map's files.
    bool Map(SourceMap* map) {
        uint32_t n = 0;
        if (!Count(&n, 4)) return false;
        map->files.resize(n);
        for (std::string& file : map->files) {
            if (!Str(&file)) return false;
        }
        if (!Count(&n, 20)) return false;
        map->entries.resize(n);
        for (SourceMap::Entry& e : map->entries) {
            uint32_t file = 0;
            if (!U32(&e.outLine) || !U32(&e.outColumn) || !U32(&e.line) || !U32(&e.column) ||
                !U32(&file) || (file & 0xffffu) >= map->files.size() || file > 0x1ffffu) {
                return false;
            }
            e.file = static_cast<uint16_t>(file & 0xffffu);
            e.exact = (file & 0x10000u) != 0;
        }
        return true;
    }
    bool Floats(std::vector<float>* values) {
        uint32_t n = 0;
        if (!Count(&n, 4)) return false;
        values->resize(n);
        for (float& v : *values) {
            uint32_t bits = 0;
            if (!U32(&bits)) return false;
            std::memcpy(&v, &bits, sizeof v);
        }
        return true;
    }
    std::string_view Rest() const { return data_.substr(pos_); }
    bool AtEnd() const { return pos_ == data_.size(); }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

// >> request

void PutStage(Writer& w, const StageSource& s) {
    w.U32(s.stage == ShaderStage::Vertex ? 0 : 1);
    w.Str(s.entry);
    w.Str(s.profile);
    w.Str(s.hlsl);
    w.Pos(s.compileStatement);
    w.Map(s.map);
    w.U32(static_cast<uint32_t>(s.majorities.size()));
    for (const MatrixMajority& m : s.majorities) {
        w.Str(m.owner);
        w.Str(m.member);
        w.U32(m.rowMajor ? 1 : 0);
    }
    w.U32(static_cast<uint32_t>(s.written.size()));
    for (const auto& name : s.written) w.Str(name);
    w.U32(static_cast<uint32_t>(s.samplerAliases.size()));
    for (const auto& [parameter, sampler] : s.samplerAliases) {
        w.Str(parameter);
        w.Str(sampler);
    }
    w.U32(static_cast<uint32_t>(s.defaults.size()));
    for (const auto& [name, values] : s.defaults) {
        w.Str(name);
        w.Floats(values);
    }
}

bool GetStage(Reader& r, StageSource* s) {
    uint32_t stage = 0, count = 0;
    if (!r.U32(&stage) || stage > 1 || !r.Str(&s->entry) || !r.Str(&s->profile) ||
        !r.Str(&s->hlsl) || !r.Pos(&s->compileStatement) || !r.Map(&s->map)) {
        return false;
    }
    s->stage = stage == 0 ? ShaderStage::Vertex : ShaderStage::Pixel;
    if (!r.Count(&count, 12)) return false;
    s->majorities.resize(count);
    for (MatrixMajority& m : s->majorities) {
        uint32_t rowMajor = 0;
        if (!r.Str(&m.owner) || !r.Str(&m.member) || !r.U32(&rowMajor)) return false;
        m.rowMajor = rowMajor != 0;
    }
    if (!r.Count(&count, 4)) return false;
    s->written.resize(count);
    for (auto& name : s->written) {
        if (!r.Str(&name)) return false;
    }
    if (!r.Count(&count, 8)) return false;
    s->samplerAliases.resize(count);
    for (auto& [parameter, sampler] : s->samplerAliases) {
        if (!r.Str(&parameter) || !r.Str(&sampler)) return false;
    }
    if (!r.Count(&count, 8)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        std::vector<float> values;
        if (!r.Str(&name) || !r.Floats(&values)) return false;
        s->defaults[name] = std::move(values);
    }
    return true;
}

// >> result

void PutMessage(Writer& w, const Message& m) {
    w.U32(m.IsError() ? 1u : 0u);
    w.I32(m.line);
    w.I32(m.column);
    w.Str(m.text);
    w.Str(m.entry);
    w.Str(m.file);
}

bool GetMessage(Reader& r, Message* m) {
    uint32_t error = 0;
    if (!r.U32(&error) || !r.I32(&m->line) || !r.I32(&m->column) || !r.Str(&m->text) ||
        !r.Str(&m->entry) || !r.Str(&m->file)) {
        return false;
    }
    m->severity = (error & 1u) != 0 ? Severity::Error : Severity::Warning;
    return true;
}

bool GetResult(Reader& r, CompiledPass* out) {
    uint32_t ok = 0, count = 0;
    uint64_t slots = 0, unshownErrors = 0, unshownWarnings = 0;
    if (!r.U32(&ok) || !r.U64(&slots) || !r.U64(&unshownErrors) || !r.U64(&unshownWarnings) ||
        !r.Count(&count, 4)) {
        return false;
    }
    out->ok = ok != 0;
    out->slots = static_cast<int64_t>(slots);
    out->unshownErrors = unshownErrors;
    out->unshownWarnings = unshownWarnings;
    out->glsl.resize(count);
    for (auto& g : out->glsl) {
        if (!r.Str(&g)) return false;
    }
    if (!r.Count(&count, 24)) return false;
    out->messages.resize(count);
    for (Message& m : out->messages) {
        if (!GetMessage(r, &m)) return false;
    }
    if (!r.Count(&count, 4)) return false;
    out->samplers.resize(count);
    for (auto& name : out->samplers) {
        if (!r.Str(&name)) return false;
    }
    for (auto* table : {&out->vertexConstants, &out->pixelConstants}) {
        if (!r.Count(&count, 24)) return false;
        table->resize(count);
        for (ConstantRegisters& c : *table) {
            uint32_t set = 0;
            if (!r.Str(&c.name) || !r.U32(&set) || set > 2 || !r.I32(&c.start) ||
                !r.I32(&c.count) || !r.U32(&c.mask) || c.mask == 0 || c.mask > 0xF ||
                !r.Floats(&c.values)) {
                return false;
            }
            c.set = static_cast<RegisterSet>(set);
        }
    }
    return true;
}

}  // namespace

std::string EncodeRequest(const CompileRequest& request) {
    Writer w;
    w.I32(request.timeLimitMs);
    w.U32(static_cast<uint32_t>(request.fault));
    w.I32(request.faultStage);
    w.U32(request.conventions.lenient ? 1 : 0);
    w.U32(static_cast<uint32_t>(request.conventions.samplerStages.size()));
    for (const auto& [name, stage] : request.conventions.samplerStages) {
        w.Str(name);
        w.I32(stage);
    }
    w.U32(static_cast<uint32_t>(request.sources.stages.size()));
    for (const StageSource& s : request.sources.stages) PutStage(w, s);
    return w.Take();
}

bool DecodeRequest(std::string_view data, CompileRequest* request) {
    Reader r(data);
    uint32_t fault = 0, lenient = 0, count = 0;
    if (!r.I32(&request->timeLimitMs) || !r.U32(&fault) ||
        fault > static_cast<uint32_t>(ChildFault::Allocate) || !r.I32(&request->faultStage) ||
        !r.U32(&lenient) || !r.Count(&count, 8)) {
        return false;
    }
    request->fault = static_cast<ChildFault>(fault);
    request->conventions.lenient = lenient != 0;
    request->conventions.samplerStages.resize(count);
    for (auto& [name, stage] : request->conventions.samplerStages) {
        if (!r.Str(&name) || !r.I32(&stage)) return false;
    }
    if (!r.Count(&count, 24)) return false;
    request->sources.stages.resize(count);
    for (StageSource& s : request->sources.stages) {
        if (!GetStage(r, &s)) return false;
    }
    return r.AtEnd();
}

bool RequestTimeLimit(std::string_view data, int* timeLimitMs) {
    Reader r(data);
    return r.I32(timeLimitMs);
}

std::string EncodeProgress(int stageIndex) {
    Writer w;
    w.Byte('P');
    w.I32(stageIndex);
    return w.Take();
}

std::string EncodeResult(const CompiledPass& out) {
    Writer w;
    w.Byte('R');
    w.U32(out.ok ? 1 : 0);
    w.U64(static_cast<uint64_t>(out.slots));
    w.U64(out.unshownErrors);
    w.U64(out.unshownWarnings);
    w.U32(static_cast<uint32_t>(out.glsl.size()));
    for (const auto& g : out.glsl) w.Str(g);
    w.U32(static_cast<uint32_t>(out.messages.size()));
    for (const Message& m : out.messages) PutMessage(w, m);
    w.U32(static_cast<uint32_t>(out.samplers.size()));
    for (const auto& name : out.samplers) w.Str(name);
    for (const auto* table : {&out.vertexConstants, &out.pixelConstants}) {
        w.U32(static_cast<uint32_t>(table->size()));
        for (const ConstantRegisters& c : *table) {
            w.Str(c.name);
            w.U32(static_cast<uint32_t>(c.set));
            w.I32(c.start);
            w.I32(c.count);
            w.U32(c.mask);
            w.Floats(c.values);
        }
    }
    return w.Take();
}

bool DecodeStream(std::string_view data, int* lastStage, CompiledPass* out) {
    Reader r(data);
    char tag = 0;
    while (r.Byte(&tag)) {
        if (tag != 'P') return tag == 'R' && GetResult(r, out) && r.AtEnd();
        if (!r.I32(lastStage)) return false;
    }
    return false;
}

std::string EncodeWorkerRun(const WorkerRun& run) {
    Writer w;
    w.U32((run.timedOut ? 1u : 0u) | (run.tooLong ? 2u : 0u));
    w.I32(run.status);
    std::string head = w.Take();
    return head + run.stream;
}

bool DecodeWorkerRun(std::string_view data, WorkerRun* run) {
    Reader r(data);
    uint32_t flags = 0;
    if (!r.U32(&flags) || !r.I32(&run->status)) return false;
    run->timedOut = (flags & 1u) != 0;
    run->tooLong = (flags & 2u) != 0;
    run->stream.assign(r.Rest());
    return true;
}

}  // namespace fx

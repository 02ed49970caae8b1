// A SPIR-V module the passes of stage 6 edit (see 6_spirv_module.h).
#define SPV_ENABLE_UTILITY_CODE
#include <spirv_cross/spirv.hpp>

#include "platform/fx/6_spirv/6_spirv_module.h"

#include <algorithm>

namespace fx {
bool IsTypeOp(uint32_t op) { return op >= spv::OpTypeVoid && op <= spv::OpTypeForwardPointer; }
bool IsChainOp(uint32_t op) { return op == spv::OpAccessChain || op == spv::OpInBoundsAccessChain; }

namespace {

bool IsConstantOp(uint32_t op) {
    return op >= spv::OpConstantTrue && op <= spv::OpSpecConstantOp;
}

}  // namespace

uint32_t SpvInstruction::Type() const {
    bool hasResult = false, hasType = false;
    spv::HasResultAndType(static_cast<spv::Op>(op), &hasResult, &hasType);
    return hasType && !words.empty() ? words[0] : 0;
}

uint32_t SpvInstruction::Result() const {
    bool hasResult = false, hasType = false;
    spv::HasResultAndType(static_cast<spv::Op>(op), &hasResult, &hasType);
    const size_t at = hasType ? 1 : 0;
    return hasResult && words.size() > at ? words[at] : 0;
}

// The operands that are ids, for the instructions a function body holds;
// literals are left out where the instruction has them.
void SpvInstruction::UsedIdPositions(std::vector<size_t>* at) const {
    bool hasResult = false, hasType = false;
    spv::HasResultAndType(static_cast<spv::Op>(op), &hasResult, &hasType);
    size_t first = (hasResult ? 1 : 0) + (hasType ? 1 : 0);
    size_t last = words.size();
    at->clear();
    auto take = [&](size_t from, size_t to) {
        for (size_t i = from; i < to && i < words.size(); ++i) at->push_back(i);
    };
    switch (op) {
        case spv::OpCompositeExtract: take(first, first + 1); return;
        case spv::OpCompositeInsert: take(first, first + 2); return;
        case spv::OpVectorShuffle: take(first, first + 2); return;
        case spv::OpExtInst:
            take(first, first + 1);
            take(first + 2, last);
            return;
        case spv::OpLoopMerge: take(0, 2); return;
        case spv::OpSelectionMerge: take(0, 1); return;
        case spv::OpBranchConditional: take(0, 3); return;
        case spv::OpLoad: take(first, first + 1); return;
        case spv::OpStore: take(0, 2); return;
        case spv::OpSwitch:
            take(0, 2);
            for (size_t i = 3; i < last; i += 2) at->push_back(i);
            return;
        // Literals, not ids: widths, signedness, counts, constants' values.
        case spv::OpTypeInt:
        case spv::OpTypeFloat:
        case spv::OpConstant:
        case spv::OpSpecConstant: return;
        case spv::OpTypeVector:
        case spv::OpTypeMatrix:
        case spv::OpTypeImage: take(1, 2); return;
        case spv::OpTypePointer: take(2, 3); return;
        case spv::OpVariable: take(first + 1, last); return;
        case spv::OpFunction: take(first + 1, last); return;
        case spv::OpLine:
        case spv::OpNoLine:
        case spv::OpName:
        case spv::OpMemberName:
        case spv::OpDecorate:
        case spv::OpMemberDecorate:
        // Strings and other literals: a semantic's last word ("TEXCOORD1"
        // ends in the word 0x31) is no id to rename.
        case spv::OpDecorateString:
        case spv::OpMemberDecorateString:
        case spv::OpString:
        case spv::OpSource:
        case spv::OpSourceContinued:
        case spv::OpSourceExtension:
        case spv::OpExtension:
        case spv::OpExtInstImport:
        case spv::OpModuleProcessed:
        case spv::OpCapability:
        case spv::OpMemoryModel:
            return;
        case spv::OpExecutionMode: take(0, 1); return;
        case spv::OpEntryPoint: {
            // The model, the function, the name (up to the word whose last
            // byte is zero), then the interface's variables.
            size_t k = 2;
            while (k < last && (words[k] & 0xFF000000u) != 0) ++k;
            take(1, 2);
            take(k + 1, last);
            return;
        }
        default: take(first, last); return;
    }
}

void SpvInstruction::UsedIds(std::vector<uint32_t>* ids) const {
    std::vector<size_t> at;
    UsedIdPositions(&at);
    ids->clear();
    for (size_t i : at) ids->push_back(words[i]);
}

bool SpvModule::Read(const std::vector<uint32_t>& words) {
    if (words.size() < 5 || words[0] != spv::MagicNumber) return false;
    std::copy(words.begin(), words.begin() + 5, header_);
    bound_ = words[3];
    code.clear();
    for (size_t at = 5; at < words.size();) {
        const uint32_t count = words[at] >> 16;
        if (count == 0 || at + count > words.size()) return false;
        SpvInstruction in;
        in.op = words[at] & 0xFFFFu;
        in.words.assign(words.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        words.begin() + static_cast<std::ptrdiff_t>(at + count));
        code.push_back(std::move(in));
        at += count;
    }
    Reindex();
    return true;
}

std::vector<uint32_t> SpvModule::Write() const {
    std::vector<uint32_t> words(header_, header_ + 5);
    words[3] = bound_;
    for (const SpvInstruction& in : code) {
        words.push_back(static_cast<uint32_t>((in.words.size() + 1) << 16) | in.op);
        words.insert(words.end(), in.words.begin(), in.words.end());
    }
    return words;
}

void SpvModule::Reindex() {
    defs_.assign(bound_, 0);
    for (size_t i = 0; i < code.size(); ++i) {
        const uint32_t id = code[i].Result();
        if (id != 0 && id < bound_) defs_[id] = static_cast<uint32_t>(i + 1);
    }
}

const SpvInstruction* SpvModule::Def(uint32_t id) const {
    return id < defs_.size() && defs_[id] != 0 ? &code[defs_[id] - 1] : nullptr;
}

SpvInstruction* SpvModule::Def(uint32_t id) {
    return id < defs_.size() && defs_[id] != 0 ? &code[defs_[id] - 1] : nullptr;
}

std::string LiteralString(const std::vector<uint32_t>& words, size_t from) {
    std::string s;
    for (size_t i = from; i < words.size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            char c = static_cast<char>((words[i] >> (8 * b)) & 0xFF);
            if (c == 0) return s;
            s += c;
        }
    }
    return s;
}

std::vector<uint32_t> StringWords(const std::string& text) {
    std::vector<uint32_t> words(text.size() / 4 + 1, 0);
    for (size_t i = 0; i < text.size(); ++i)
        words[i / 4] |= static_cast<uint32_t>(static_cast<unsigned char>(text[i])) << (8 * (i % 4));
    return words;
}

std::string SpvModule::Name(uint32_t id) const {
    for (const SpvInstruction& in : code) {
        if (in.op == spv::OpName && in.words.size() > 1 && in.words[0] == id)
            return LiteralString(in.words, 1);
        if (IsTypeOp(in.op)) break;
    }
    return "";
}

std::string SpvModule::MemberName(uint32_t type, uint32_t member) const {
    for (const SpvInstruction& in : code) {
        if (in.op == spv::OpMemberName && in.words.size() > 2 && in.words[0] == type &&
            in.words[1] == member) {
            return LiteralString(in.words, 2);
        }
        if (IsTypeOp(in.op)) break;
    }
    return "";
}

bool SpvModule::ConstantValue(uint32_t id, uint32_t* value) const {
    const SpvInstruction* def = Def(id);
    if (def == nullptr || def->op != spv::OpConstant || def->words.size() != 3) return false;
    const SpvInstruction* type = Def(def->words[0]);
    if (type == nullptr || type->op != spv::OpTypeInt || type->words[1] != 32) return false;
    *value = def->words[2];
    return true;
}

bool SpvModule::HasDecoration(uint32_t id, uint32_t decoration) const {
    for (const SpvInstruction& in : code) {
        if (in.op == spv::OpDecorate && in.words.size() > 1 && in.words[0] == id &&
            in.words[1] == decoration) {
            return true;
        }
        if (IsTypeOp(in.op)) break;
    }
    return false;
}

const std::vector<uint32_t>* SpvModule::MemberDecoration(uint32_t type, uint32_t member,
                                                         uint32_t decoration) const {
    for (const SpvInstruction& in : code) {
        if (in.op == spv::OpMemberDecorate && in.words.size() > 2 && in.words[0] == type &&
            in.words[1] == member && in.words[2] == decoration) {
            return &in.words;
        }
        if (IsTypeOp(in.op)) break;
    }
    return nullptr;
}

size_t SpvModule::FirstFunction() const {
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i].op == spv::OpFunction) return i;
    }
    return code.size();
}

size_t SpvModule::FirstType() const {
    for (size_t i = 0; i < code.size(); ++i) {
        if (IsTypeOp(code[i].op) || IsConstantOp(code[i].op) || code[i].op == spv::OpVariable)
            return i;
    }
    return code.size();
}

uint32_t SpvModule::DeclareType(uint32_t op, const std::vector<uint32_t>& words) {
    for (const SpvInstruction& in : code) {
        if (in.op == op && in.words.size() == words.size() + 1 &&
            std::equal(words.begin(), words.end(), in.words.begin() + 1)) {
            return in.words[0];
        }
    }
    return NewAggregateType(op, words);
}

uint32_t SpvModule::NewAggregateType(uint32_t op, const std::vector<uint32_t>& words) {
    SpvInstruction in;
    in.op = op;
    in.words.push_back(NewId());
    in.words.insert(in.words.end(), words.begin(), words.end());
    const uint32_t id = in.words[0];
    code.insert(code.begin() + static_cast<std::ptrdiff_t>(FirstFunction()), std::move(in));
    Reindex();
    return id;
}

uint32_t SpvModule::DeclareConstant(uint32_t op, uint32_t type,
                                    const std::vector<uint32_t>& words) {
    for (const SpvInstruction& in : code) {
        if (in.op == op && in.words.size() == words.size() + 2 && in.words[0] == type &&
            std::equal(words.begin(), words.end(), in.words.begin() + 2)) {
            return in.words[1];
        }
    }
    SpvInstruction in;
    in.op = op;
    in.words = {type, NewId()};
    in.words.insert(in.words.end(), words.begin(), words.end());
    const uint32_t id = in.words[1];
    code.insert(code.begin() + static_cast<std::ptrdiff_t>(FirstFunction()), std::move(in));
    Reindex();
    return id;
}

void SpvModule::RemoveMemberDecoration(uint32_t type, uint32_t member, uint32_t decoration) {
    code.erase(std::remove_if(code.begin(), code.end(),
                              [&](const SpvInstruction& in) {
                                  return in.op == spv::OpMemberDecorate && in.words.size() > 2 &&
                                         in.words[0] == type && in.words[1] == member &&
                                         in.words[2] == decoration;
                              }),
               code.end());
    Reindex();
}

void SpvModule::SetMemberDecoration(uint32_t type, uint32_t member, uint32_t decoration,
                                    const std::vector<uint32_t>& words) {
    // In place where it is there already: nothing moves.
    for (SpvInstruction& in : code) {
        if (in.op == spv::OpMemberDecorate && in.words.size() > 2 && in.words[0] == type &&
            in.words[1] == member && in.words[2] == decoration) {
            in.words.resize(3);
            in.words.insert(in.words.end(), words.begin(), words.end());
            return;
        }
        if (IsTypeOp(in.op)) break;
    }
    SpvInstruction in;
    in.op = spv::OpMemberDecorate;
    in.words = {type, member, decoration};
    in.words.insert(in.words.end(), words.begin(), words.end());
    code.insert(code.begin() + static_cast<std::ptrdiff_t>(FirstType()), std::move(in));
    Reindex();
}

void SpvModule::SetDecoration(uint32_t id, uint32_t decoration,
                              const std::vector<uint32_t>& words) {
    for (SpvInstruction& in : code) {
        if (in.op == spv::OpDecorate && in.words.size() > 1 && in.words[0] == id &&
            in.words[1] == decoration) {
            in.words.resize(2);
            in.words.insert(in.words.end(), words.begin(), words.end());
            return;
        }
        if (IsTypeOp(in.op)) break;
    }
    code.erase(std::remove_if(code.begin(), code.end(),
                              [&](const SpvInstruction& in) {
                                  return in.op == spv::OpDecorate && in.words.size() > 1 &&
                                         in.words[0] == id && in.words[1] == decoration;
                              }),
               code.end());
    SpvInstruction in;
    in.op = spv::OpDecorate;
    in.words = {id, decoration};
    in.words.insert(in.words.end(), words.begin(), words.end());
    code.insert(code.begin() + static_cast<std::ptrdiff_t>(FirstType()), std::move(in));
    Reindex();
}

uint32_t GlslStd450(const SpvModule& module) {
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpExtInstImport && LiteralString(in.words, 1) == "GLSL.std.450") return in.words[0];
    }
    return 0;
}

bool SpvModule::IsMatrix(uint32_t type, bool inArrays) const {
    const SpvInstruction* t = Def(type);
    while (inArrays && t != nullptr && t->op == spv::OpTypeArray) t = Def(t->words[1]);
    return t != nullptr && t->op == spv::OpTypeMatrix;
}

uint32_t SpvModule::EntryPoint() const {
    for (const SpvInstruction& in : code)
        if (in.op == spv::OpEntryPoint && in.words.size() > 1) return in.words[1];
    return 0;
}

std::set<uint32_t> SpvModule::ReachableFunctions() const {
    std::unordered_map<uint32_t, std::pair<size_t, size_t>> bodies;
    for (size_t i = 0; i < code.size(); ++i) {
        const SpvInstruction& in = code[i];
        if (in.op == spv::OpFunction && in.words.size() > 1) {
            size_t end = i;
            while (end < code.size() && code[end].op != spv::OpFunctionEnd) ++end;
            bodies[in.words[1]] = {i, end};
        }
    }
    const uint32_t entry = EntryPoint();
    std::vector<uint32_t> pending{entry};
    std::set<uint32_t> seen{entry};
    while (!pending.empty()) {
        auto it = bodies.find(pending.back());
        pending.pop_back();
        if (it == bodies.end()) continue;
        for (size_t i = it->second.first; i < it->second.second; ++i) {
            const SpvInstruction& in = code[i];
            if (in.op == spv::OpFunctionCall && in.words.size() > 2 &&
                seen.insert(in.words[2]).second) {
                pending.push_back(in.words[2]);
            }
        }
    }
    return seen;
}

}  // namespace fx

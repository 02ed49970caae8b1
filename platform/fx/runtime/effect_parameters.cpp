// The effect's parameters and annotations (see effect_parameters.h).
#include "platform/fx/runtime/effect_parameters.h"

#include <string_view>
#include <unordered_set>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

bool Dimension(char c, UINT* n) {
    if (c < '1' || c > '4') return false;
    *n = static_cast<UINT>(c - '0');
    return true;
}

}  // namespace

bool ReadParameterShape(const std::string& word, ParameterShape* shape) {
    static const struct {
        const char* name;
        D3DXPARAMETER_TYPE type;
    } kBases[] = {{"float", D3DXPT_FLOAT}, {"half", D3DXPT_FLOAT}, {"double", D3DXPT_FLOAT},
                  {"min16float", D3DXPT_FLOAT}, {"int", D3DXPT_INT}, {"uint", D3DXPT_INT},
                  {"dword", D3DXPT_INT}, {"bool", D3DXPT_BOOL}, {"FLOAT", D3DXPT_FLOAT},
                  {"DWORD", D3DXPT_INT}};
    if (word == "VECTOR") return ReadParameterShape("float4", shape);
    if (word == "MATRIX") return ReadParameterShape("float4x4", shape);
    for (const auto& base : kBases) {
        const std::string b = base.name;
        if (word.compare(0, b.size(), b) != 0) continue;
        const std::string rest = word.substr(b.size());
        ParameterShape s;
        s.type = base.type;
        if (rest.empty()) {
            s.cls = D3DXPC_SCALAR;
        } else if (rest.size() == 1 && Dimension(rest[0], &s.columns)) {
            s.cls = s.columns == 1 ? D3DXPC_SCALAR : D3DXPC_VECTOR;
        } else if (rest.size() == 3 && Dimension(rest[0], &s.rows) && rest[1] == 'x' &&
                   Dimension(rest[2], &s.columns)) {
            s.cls = D3DXPC_MATRIX_COLUMNS;
        } else {
            continue;
        }
        *shape = s;
        return true;
    }
    return false;
}

std::vector<EffectParameter> BuildParameters(
    const std::vector<GlobalDeclaration>& globals,
    const std::map<std::string, std::vector<float>>& defaults, MessageSink& warnings) {
    std::vector<EffectParameter> parameters;
    // A name declared twice is one parameter (the first); a file may
    // declare hundreds of thousands.
    std::unordered_set<std::string_view> known;
    for (const GlobalDeclaration& g : globals) {
        EffectParameter p;
        if (g.array || !ReadParameterShape(g.type, &p.shape)) continue;
        if (g.rowMajor && p.shape.cls == D3DXPC_MATRIX_COLUMNS) p.shape.cls = D3DXPC_MATRIX_ROWS;
        if (!known.insert(g.name).second) continue;
        p.name = g.name;
        const size_t components = size_t{p.shape.rows} * p.shape.columns;
        auto d = defaults.find(g.name);
        if (d != defaults.end()) p.value = d->second;
        // "float4 v = 1;" sets every component.
        if (p.value.size() == 1) p.value.assign(components, p.value[0]);
        p.value.resize(components, 0.0f);

        for (const AnnotationEntry& entry : g.annotations) {
            EffectAnnotation a;
            a.name = entry.name;
            const std::string where = "annotation " + Quote(entry.name) + " of " + Quote(g.name);
            if (entry.type == "string" || entry.type == "STRING") {
                if (!entry.isString) {
                    warnings.Add(WarningAt(entry.pos, where + " is not a string; ignored"));
                    continue;
                }
                a.shape.type = D3DXPT_STRING;
                a.shape.cls = D3DXPC_OBJECT;
                a.text = entry.value;
            } else if (ReadParameterShape(entry.type, &a.shape)) {
                // Scalars, vectors and matrices: an annotation takes any
                // numeric type a parameter does.
                if (entry.isString) {
                    warnings.Add(
                        WarningAt(entry.pos, where + " is a string, not a " + entry.type + "; ignored"));
                    continue;
                }
                std::vector<Message> unread;
                MessageCollector collect(&unread);
                auto value = EvaluateInitializers({{entry.name, entry.type, entry.value, entry.pos}},
                                                  collect);
                if (!unread.empty()) {
                    warnings.Add(WarningAt(entry.pos, where + ": cannot read " +
                                                          Quote(entry.value) + "; ignored"));
                    continue;
                }
                const size_t components = size_t{a.shape.rows} * a.shape.columns;
                a.values = value[entry.name];
                if (a.values.size() == 1) a.values.assign(components, a.values[0]);
                a.values.resize(components, 0.0f);
            } else {
                warnings.Add(
                    WarningAt(entry.pos, where + " has type " + Quote(entry.type) +
                                             " (string, float, int or bool expected); ignored"));
                continue;
            }
            p.annotations.push_back(std::move(a));
        }
        parameters.push_back(std::move(p));
    }
    return parameters;
}

}  // namespace fx

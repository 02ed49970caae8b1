// Knobs from the effect's UI annotations (see knobs.h): the three
// conventions, their contradictions, and the text a knob is described by.
#include "platform/knobs/knobs.h"
#include "platform/float_to_int.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

// What an annotation says, whatever convention names it.
enum class Meaning { Label, Widget, Min, Max, Step, Steps, SoftMin, SoftMax, Group, Visible, Tooltip };

struct Spelling {
    const char* name;
    Meaning meaning;
};

constexpr Spelling kSpellings[] = {
    {"UIName", Meaning::Label},          {"UIWidget", Meaning::Widget},
    {"UIMin", Meaning::Min},             {"UIMax", Meaning::Max},
    {"UIStep", Meaning::Step},           {"UISoftMin", Meaning::SoftMin},
    {"UISoftMax", Meaning::SoftMax},     {"UIGroup", Meaning::Group},
    {"UIVisible", Meaning::Visible},     {"SasUiControl", Meaning::Widget},
    {"SasUiLabel", Meaning::Label},      {"SasUiMin", Meaning::Min},
    {"SasUiMax", Meaning::Max},          {"SasUiSteps", Meaning::Steps},
    {"SasUiDescription", Meaning::Tooltip}, {"SasUiVisible", Meaning::Visible},
    {"ui_type", Meaning::Widget},        {"ui_min", Meaning::Min},
    {"ui_max", Meaning::Max},            {"ui_step", Meaning::Step},
    {"ui_label", Meaning::Label},        {"ui_tooltip", Meaning::Tooltip},
    {"ui_category", Meaning::Group},
};

const Spelling* FindSpelling(const char* name) {
    for (const Spelling& s : kSpellings) {
        if (strcasecmp(s.name, name) == 0) return &s;
    }
    return nullptr;
}

bool IsText(Meaning m) {
    return m == Meaning::Label || m == Meaning::Widget || m == Meaning::Group ||
           m == Meaning::Tooltip;
}

// One annotation that a convention gives meaning to, read.
struct Said {
    const char* name = nullptr;  // as written
    std::string text;
    float number = 0;
};

std::string Number(float v) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string s(buffer, result.ptr);
    if (s == "-0") s = "0";
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class KnobReader {
public:
    KnobReader(ID3DXEffect* effect, std::vector<std::string>* warnings)
        : effect_(effect), warnings_(warnings) {}

    // False when the parameter is not a knob.
    bool Read(D3DXHANDLE parameter, Knob* knob) {
        D3DXPARAMETER_DESC desc;
        if (effect_->GetParameterDesc(parameter, &desc) != 0) return false;
        name_ = desc.Name;
        said_.clear();
        for (UINT i = 0; i < desc.Annotations; ++i) ReadAnnotation(effect_->GetAnnotation(parameter, i));
        if (said_.empty()) return false;
        if (!Shape(desc, knob)) return false;  // said, unless the annotations hide it
        knob->name = desc.Name;
        knob->handle = parameter;
        effect_->GetValue(parameter, knob->defaults, desc.Bytes);
        if (desc.Type != D3DXPT_FLOAT) {
            // Ints and bools arrive as 32-bit ints.
            int32_t ints[4];
            std::memcpy(ints, knob->defaults, sizeof ints);
            for (int c = 0; c < 4; ++c) knob->defaults[c] = static_cast<float>(ints[c]);
        }
        Apply(knob);
        std::copy(knob->defaults, knob->defaults + 4, knob->value);
        return true;
    }

private:
    void Warn(const std::string& text) { warnings_->push_back("knob '" + name_ + "': " + text); }

    void ReadAnnotation(D3DXHANDLE annotation) {
        D3DXPARAMETER_DESC desc;
        if (annotation == nullptr || effect_->GetParameterDesc(annotation, &desc) != 0) return;
        const Spelling* spelling = FindSpelling(desc.Name);
        if (spelling == nullptr) return;  // another tool's annotation
        Said said;
        said.name = desc.Name;
        if (IsText(spelling->meaning)) {
            const char* text = nullptr;
            if (desc.Type != D3DXPT_STRING || effect_->GetString(annotation, &text) != 0) {
                Warn(std::string(desc.Name) + " must be a string; ignored");
                return;
            }
            said.text = text;
        } else {
            float values[4] = {0, 0, 0, 0};
            if (desc.Type == D3DXPT_STRING || desc.Columns != 1 ||
                effect_->GetValue(annotation, values, 16) != 0) {
                Warn(std::string(desc.Name) + " must be a number; ignored");
                return;
            }
            if (desc.Type != D3DXPT_FLOAT) {
                int32_t i;
                std::memcpy(&i, values, 4);
                values[0] = static_cast<float>(i);
            }
            said.number = values[0];
        }
        // The first of a meaning counts; a later one that disagrees is said.
        for (const auto& [meaning, earlier] : said_) {
            if (meaning != spelling->meaning) continue;
            const bool same = IsText(meaning) ? Lower(earlier.text) == Lower(said.text)
                                              : earlier.number == said.number;
            if (!same) {
                Warn(std::string(said.name) + " disagrees with " + earlier.name + "; " +
                     earlier.name + " is used");
            }
            return;
        }
        said_.emplace_back(spelling->meaning, said);
    }

    const Said* Find(Meaning m) const {
        for (const auto& [meaning, said] : said_) {
            if (meaning == m) return &said;
        }
        return nullptr;
    }

    bool Shape(const D3DXPARAMETER_DESC& desc, Knob* knob) {
        const bool vector = desc.Class == D3DXPC_SCALAR || desc.Class == D3DXPC_VECTOR;
        const bool ok = vector && desc.Rows == 1 &&
                        (desc.Type == D3DXPT_FLOAT || desc.Columns == 1) &&
                        (desc.Type == D3DXPT_FLOAT || desc.Type == D3DXPT_INT ||
                         desc.Type == D3DXPT_BOOL);
        if (!ok) {
            // A matrix marked UIWidget "None" (or not visible) was never
            // meant to be a knob: shader tools mark their transforms so.
            const Said* widget = Find(Meaning::Widget);
            const Said* visible = Find(Meaning::Visible);
            const bool hidden = (widget != nullptr && Lower(widget->text) == "none") ||
                                (visible != nullptr && visible->number == 0);
            if (!hidden) Warn("its type cannot be a knob (float, float2-4, int or bool); ignored");
            return false;
        }
        knob->type = desc.Type;
        knob->components = static_cast<int>(desc.Columns);
        return true;
    }

    // What the annotations say, checked against each other.
    void Apply(Knob* knob) {
        knob->label = knob->name;
        if (const Said* s = Find(Meaning::Label)) knob->label = s->text;
        if (const Said* s = Find(Meaning::Group)) knob->group = s->text;
        if (const Said* s = Find(Meaning::Tooltip)) knob->tooltip = s->text;
        if (const Said* s = Find(Meaning::Visible)) knob->hidden = s->number == 0;

        if (const Said* s = Find(Meaning::Min)) knob->hasMin = true, knob->min = s->number;
        if (const Said* s = Find(Meaning::Max)) knob->hasMax = true, knob->max = s->number;
        if (knob->hasMin && knob->hasMax && knob->min > knob->max) {
            Warn(std::string(Find(Meaning::Min)->name) + " " + Number(knob->min) + " is above " +
                 Find(Meaning::Max)->name + " " + Number(knob->max) + "; the range is ignored");
            knob->hasMin = knob->hasMax = false;
        }
        if (const Said* s = Find(Meaning::Step)) {
            if (s->number > 0) {
                knob->step = s->number;
            } else {
                Warn(std::string(s->name) + " " + Number(s->number) + " is not above 0; ignored");
            }
        } else if (const Said* steps = Find(Meaning::Steps)) {
            if (steps->number >= 1 && knob->hasMin && knob->hasMax) {
                knob->step = (knob->max - knob->min) / std::floor(steps->number);
            } else if (steps->number < 1) {
                Warn(std::string(steps->name) + " " + Number(steps->number) +
                     " is not a count of steps; ignored");
            }
        }
        if (knob->type == D3DXPT_INT && knob->step == 0) knob->step = 1;

        ChooseWidget(knob);
        SoftRange(knob);

        for (int c = 0; c < knob->components; ++c) {
            const float v = knob->defaults[c];
            if ((knob->hasMin && v < knob->min) || (knob->hasMax && v > knob->max)) {
                Warn("its default " + Number(v) + " is outside its range " + Number(knob->min) +
                     ".." + Number(knob->max));
                break;
            }
        }
    }

    void ChooseWidget(Knob* knob) {
        const bool range = knob->hasMin && knob->hasMax;
        knob->widget = range ? KNOB_SLIDER : KNOB_DRAG;
        if (knob->type == D3DXPT_BOOL) knob->widget = KNOB_CHECKBOX;
        const Said* s = Find(Meaning::Widget);
        if (s == nullptr) return;
        const std::string w = Lower(s->text);
        if (w == "none") {
            knob->hidden = true;
        } else if (knob->type == D3DXPT_BOOL) {
            if (w != "checkbox" && w != "bool") {
                Warn(std::string(s->name) + " \"" + s->text + "\" on a bool; a checkbox");
            }
        } else if (w == "color" || w == "colorpicker" || w == "colour") {
            if (knob->components >= 3 && knob->type == D3DXPT_FLOAT) {
                knob->widget = KNOB_COLOR;
            } else {
                Warn(std::string(s->name) + " \"" + s->text + "\" needs a float3 or float4; a " +
                     (range ? "slider" : "drag"));
            }
        } else if (w == "slider") {
            if (!range) Warn(std::string(s->name) + " \"" + s->text + "\" without a range; a drag");
        } else if (w == "drag" || w == "numeric" || w == "spinner") {
            knob->widget = KNOB_DRAG;
        } else {
            Warn(std::string(s->name) + " \"" + s->text + "\" is not a widget it knows; a " +
                 (range ? "slider" : "drag"));
        }
    }

    void SoftRange(Knob* knob) {
        knob->softMin = knob->hasMin ? knob->min : 0.0f;
        knob->softMax = knob->hasMax ? knob->max : 1.0f;
        const Said* low = Find(Meaning::SoftMin);
        const Said* high = Find(Meaning::SoftMax);
        float a = low ? low->number : knob->softMin;
        float b = high ? high->number : knob->softMax;
        if ((low || high) && a > b) {
            Warn("UISoftMin " + Number(a) + " is above UISoftMax " + Number(b) + "; ignored");
            return;
        }
        if ((low && knob->hasMin && a < knob->min) || (high && knob->hasMax && b > knob->max)) {
            Warn("its soft range " + Number(a) + ".." + Number(b) + " leaves its range " +
                 Number(knob->min) + ".." + Number(knob->max) + "; cut to it");
            if (knob->hasMin) a = std::max(a, knob->min);
            if (knob->hasMax) b = std::min(b, knob->max);
        }
        knob->softMin = a;
        knob->softMax = b;
        if ((low || high) && knob->widget == KNOB_DRAG && knob->type != D3DXPT_BOOL)
            knob->widget = KNOB_SLIDER;
    }

    ID3DXEffect* effect_;
    std::vector<std::string>* warnings_;
    std::string name_;
    std::vector<std::pair<Meaning, Said>> said_;
};

}  // namespace

void ReadKnobs(ID3DXEffect* effect, std::vector<Knob>* knobs, std::vector<std::string>* warnings) {
    knobs->clear();
    D3DXEFFECT_DESC desc;
    if (effect == nullptr || effect->GetDesc(&desc) != 0) return;
    KnobReader reader(effect, warnings);
    for (UINT i = 0; i < desc.Parameters; ++i) {
        Knob knob;
        if (reader.Read(effect->GetParameter(nullptr, i), &knob)) knobs->push_back(std::move(knob));
    }
}

std::string KnobValueText(const Knob& knob, const float* value) {
    if (knob.type == D3DXPT_BOOL) return value[0] != 0 ? "true" : "false";
    std::string text;
    for (int c = 0; c < knob.components; ++c) {
        if (c > 0) text += ", ";
        text += knob.type == D3DXPT_INT ? std::to_string(static_cast<long>(value[c])) : Number(value[c]);
    }
    return text;
}

bool ParseKnobValue(const Knob& knob, const std::string& text, float* value, std::string* why) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t a = part.find_first_not_of(" \t\r");
        const size_t b = part.find_last_not_of(" \t\r");
        parts.push_back(a == std::string::npos ? "" : part.substr(a, b - a + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (static_cast<int>(parts.size()) != knob.components) {
        *why = std::to_string(parts.size()) + " value" + (parts.size() == 1 ? "" : "s") + " for " +
               std::to_string(knob.components);
        return false;
    }
    for (int c = 0; c < knob.components; ++c) {
        const std::string& p = parts[static_cast<size_t>(c)];
        if (knob.type == D3DXPT_BOOL) {
            const std::string l = Lower(p);
            if (l == "true" || l == "1") {
                value[c] = 1;
            } else if (l == "false" || l == "0") {
                value[c] = 0;
            } else {
                *why = "'" + p + "' is not true or false";
                return false;
            }
            continue;
        }
        float v = 0;
        auto result = std::from_chars(p.data(), p.data() + p.size(), v);
        if (p.empty() || result.ec != std::errc() || result.ptr != p.data() + p.size() || !std::isfinite(v)) {
            *why = "'" + p + "' is not a number";
            return false;
        }
        if (knob.type == D3DXPT_INT && v != std::trunc(v)) {
            *why = "'" + p + "' is not a whole number";
            return false;
        }
        if (knob.type == D3DXPT_INT && !FloatFitsInt32(v)) {
            *why = "'" + p + "' is past the range of an int";
            return false;
        }
        if ((knob.hasMin && v < knob.min) || (knob.hasMax && v > knob.max)) {
            *why = p + " is outside " + Number(knob.min) + ".." + Number(knob.max);
            return false;
        }
        value[c] = v;
    }
    return true;
}

std::string DescribeKnob(const Knob& knob) {
    std::string type = knob.type == D3DXPT_BOOL ? "bool" : knob.type == D3DXPT_INT ? "int" : "float";
    if (knob.components > 1) type += std::to_string(knob.components);
    static const char* const kWidgets[] = {"slider", "drag", "color", "checkbox"};
    std::string text = "param " + knob.name + ": " + type + " = " + KnobValueText(knob, knob.defaults) +
                       ", " + kWidgets[knob.widget];
    if (knob.hasMin || knob.hasMax) {
        text += ' ';
        if (knob.hasMin) text += Number(knob.min);
        text += "..";
        if (knob.hasMax) text += Number(knob.max);
    }
    const bool softGiven = knob.softMin != (knob.hasMin ? knob.min : 0.0f) ||
                           knob.softMax != (knob.hasMax ? knob.max : 1.0f);
    if (softGiven && knob.widget == KNOB_SLIDER)
        text += ", soft " + Number(knob.softMin) + ".." + Number(knob.softMax);
    if (knob.step != 0 && !(knob.type == D3DXPT_INT && knob.step == 1))
        text += ", step " + Number(knob.step);
    if (knob.label != knob.name) text += ", label \"" + knob.label + "\"";
    if (!knob.group.empty()) text += ", group \"" + knob.group + "\"";
    if (!knob.tooltip.empty()) text += ", tooltip \"" + knob.tooltip + "\"";
    if (knob.hidden) text += ", hidden";
    return text;
}

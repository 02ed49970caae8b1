// Knobs: the effect's parameters that carry UI annotations, their values
// kept across reloads and saved beside the effect in EFFECT.fx.knobs.
//
// A knob is a parameter (a non-static global) of type float, float2-4, int
// or bool with at least one annotation of these conventions, names read in
// any case:
//   UIName UIWidget ("Slider", "Color", "None") UIMin UIMax UIStep
//   UISoftMin UISoftMax UIGroup UIVisible;
//   SasUiControl ("Slider", "ColorPicker", "Numeric", "None") SasUiLabel
//   SasUiMin SasUiMax SasUiSteps SasUiDescription SasUiVisible;
//   ui_type ("slider", "drag", "color") ui_min ui_max ui_step ui_label
//   ui_tooltip ui_category.
// Its default is its initializer. Everything here goes through the effect's
// parameter interface (GetParameter, GetAnnotation, SetValue): nothing of
// the compiler is needed.
#pragma once

#include "platform/fx/fx.h"

#include <string>
#include <vector>

enum KnobWidget { KNOB_SLIDER, KNOB_DRAG, KNOB_COLOR, KNOB_CHECKBOX };

struct Knob {
    std::string name;
    std::string label;    // the name when no annotation gives one
    std::string group;    // empty: none
    std::string tooltip;  // empty: none
    D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;  // FLOAT, INT or BOOL
    int components = 1;                      // 1-4 (a float vector)
    KnobWidget widget = KNOB_DRAG;
    bool hidden = false;  // UIWidget "None", UIVisible false, ...
    // The hard range: a typed value never leaves it.
    bool hasMin = false, hasMax = false;
    float min = 0, max = 0;
    // The slider's range: the soft one where given, else the hard one.
    float softMin = 0, softMax = 0;
    float step = 0;  // 0: none
    float defaults[4] = {0, 0, 0, 0};
    float value[4] = {0, 0, 0, 0};
    D3DXHANDLE handle = nullptr;  // in the effect it was read from
};

// The knobs of an effect in declaration order; warnings (one line each,
// without the file name) for annotations it could not read or that
// contradict each other.
void ReadKnobs(ID3DXEffect* effect, std::vector<Knob>* knobs, std::vector<std::string>* warnings);

// "param ParticleSize: float = 0.06, slider 0.01..0.2" (and ", step S",
// ", soft A..B", ", label "L"", ", group "G"", ", hidden" where they apply).
std::string DescribeKnob(const Knob& knob);

// A value as the knobs file writes it: "1, 0.5, 0.25", "3", "true".
std::string KnobValueText(const Knob& knob, const float* value);

// Reads "1, 0.5, 0.25" for the knob into value; false with the reason.
bool ParseKnobValue(const Knob& knob, const std::string& text, float* value, std::string* why);

// >> the program's knobs (module state)

// After every load of the scene: the new effect (nullptr after a failed
// load or a release; the values are kept for the next). Reads the knobs of
// the effect, carries each value over by name and type (a knob the user has
// not moved takes its new default), applies EFFECT.fx.knobs when it is new
// or changed since it was last applied, then the --set values, and sets
// every knob on the effect.
void SetKnobsEffect(ID3DXEffect* effect, const char* effectFile);

// flowfield-capture: "NAME=VALUE", applied at every load after the file;
// false when the text has no '='.
bool AddKnobSetting(const char* text);
// flowfield-capture --knobs FILE: read instead of EFFECT.fx.knobs.
void SetKnobsFile(const char* path);

// Under --watch: applies the knobs file when it was saved (by hand) since it
// was last read. True when it applied it.
bool PollKnobsFile();

// Writes EFFECT.fx.knobs: the knobs that differ from their defaults, in
// declaration order, one "Name = value" a line, the file's comments kept.
// False (said on standard error) when it cannot.
bool SaveKnobs();

// The knobs of the latest successful load, for the panel.
std::vector<Knob>& GetKnobs();
// A knob's new value, set on the effect at once (clamped to the hard range).
void SetKnobValue(size_t index, const float* value);
void ResetKnob(size_t index);
void ResetAllKnobs();

// Forgets every knob, setting, file and value (tools and tests).
void ResetKnobState();

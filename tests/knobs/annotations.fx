// Knobs read from UI annotations, as `flowfield-fxcheck --params` lists
// them. Each convention, each type, and annotations that are bad or
// contradict each other. The lines starting with "//=" are what the
// listing must hold (its "param" and "warning" lines, in order).
//
//= annotations.fx(122,16): warning: annotation entry 'string UIName' of 'Broken' is not 'TYPE NAME = VALUE'; ignored
//= annotations.fx(118,26): warning: annotation 'UIMin' of 'Unreadable': cannot read 'Twice(0)'; ignored
//= annotations.fx(119,28): warning: annotation 'UIMax' of 'StringNumber' is a string, not a float; ignored
//= annotations.fx(120,29): warning: annotation 'UIName' of 'NumberString' is not a string; ignored
//= annotations.fx(121,25): warning: annotation 'UIName' of 'Texture' has type 'texture' (string, float, int or bool expected); ignored
//= param Alpha: float = 0.5, slider 0..2, step 0.1, label "Alpha knob", group "First"
//= param Beta: float = 0, slider -1..1, label "Beta knob"
//= param Soft: float = 2, slider 0..10, soft 1..5
//= param Hidden: float = 2, drag, hidden
//= param Unseen: float = 1, slider 0..4, hidden
//= param Gamma: float = 5, slider 0..10, step 0.5, label "Gamma knob", tooltip "how much"
//= param Tint: float4 = 1, 0.5, 0.25, 1, color
//= param Typed: float = 7, drag
//= param Secret: float = 3, drag, hidden
//= param Delta: float = 1, drag 0..100, step 0.5, label "Delta knob", group "Second", tooltip "a tip"
//= param Glow: float3 = 0.2, 0.4, 0.6, color
//= param Wind: float2 = 0.5, -0.25, slider -1..1
//= param Colour: float3 = 1, 0.5, 0.25, color
//= param Count: int = 3, slider 1..8
//= param Loose: int = -2, drag
//= param Vast: int = -2147483648, drag
//= param Use: bool = true, checkbox, label "Use it"
//= param Off: bool = false, checkbox
//= param BadRange: float = 2, drag
//= param TwoNames: float = 0, drag, label "One"
//= param TwoMins: float = 0.5, slider 0..1
//= param NotColour: float = 0.5, slider 0..1
//= param NotColour2: float2 = 0, 0, drag
//= param NoWidget: float = 0, drag
//= param WrongTypes: float = 0, drag, group "Third"
//= param Outside: float = 3, slider 0..1
//= param NoStep: float = 1, drag
//= param NoRange: float = 1, drag
//= param Switch: bool = true, checkbox
//= param SoftOutside: float = 0.5, slider 0..1, soft 0..0.5
//= param SoftBackwards: float = 2, drag
//= param Steps: float = 0.5, slider 0..1
//= param Unreadable: float = 1, drag
//= param StringNumber: float = 1, drag
//= param NumberString: float = 1, drag ..2
//= param Texture: float = 1, drag ..2
//= param Broken: float = 1, drag ..2
//= param Framed: float = 1, drag ..2
//= annotations.fx: warning: knob 'BadRange': UIMin 5 is above UIMax 1; the range is ignored
//= annotations.fx: warning: knob 'TwoNames': ui_label disagrees with UIName; UIName is used
//= annotations.fx: warning: knob 'TwoMins': SasUiMin disagrees with UIMin; UIMin is used
//= annotations.fx: warning: knob 'NotColour': UIWidget "Color" needs a float3 or float4; a slider
//= annotations.fx: warning: knob 'NotColour2': ui_type "color" needs a float3 or float4; a drag
//= annotations.fx: warning: knob 'NoWidget': UIWidget "Knob" is not a widget it knows; a drag
//= annotations.fx: warning: knob 'WrongTypes': UIName must be a string; ignored
//= annotations.fx: warning: knob 'WrongTypes': UIMin must be a number; ignored
//= annotations.fx: warning: knob 'Outside': its default 3 is outside its range 0..1
//= annotations.fx: warning: knob 'Matrix': its type cannot be a knob (float, float2-4, int or bool); ignored
//= annotations.fx: warning: knob 'Pair': its type cannot be a knob (float, float2-4, int or bool); ignored
//= annotations.fx: warning: knob 'NoStep': UIStep 0 is not above 0; ignored
//= annotations.fx: warning: knob 'NoRange': UIWidget "Slider" without a range; a drag
//= annotations.fx: warning: knob 'Switch': UIWidget "Slider" on a bool; a checkbox
//= annotations.fx: warning: knob 'SoftOutside': its soft range -1..0.5 leaves its range 0..1; cut to it
//= annotations.fx: warning: knob 'SoftBackwards': UISoftMin 3 is above UISoftMax 1; ignored
//= annotations.fx: warning: knob 'Steps': SasUiSteps 0 is not a count of steps; ignored

// >> the UIName / UIWidget convention, and names in any case
float Alpha < string UIName = "Alpha knob"; string UIWidget = "Slider"; float UIMin = 0;
              float UIMax = 2; float UIStep = 0.1; string UIGroup = "First"; > = 0.5;
float Beta < string uiname = "Beta knob"; float UIMIN = -1; float uimax = 1; > = 0;
float Soft < float UIMin = 0; float UIMax = 10; float UISoftMin = 1; float UISoftMax = 5; > = 2;
float Hidden < string UIWidget = "None"; > = 2;
float Unseen < bool UIVisible = false; float UIMin = 0; float UIMax = 4; > = 1;

// >> the standard annotations (SasUi*)
float Gamma < string SasUiControl = "Slider"; string SasUiLabel = "Gamma knob"; float SasUiMin = 0;
              float SasUiMax = 10; int SasUiSteps = 20; string SasUiDescription = "how much"; > = 5;
float4 Tint < string SasUiControl = "ColorPicker"; > = float4(1, 0.5, 0.25, 1);
float Typed < string SasUiControl = "Numeric"; bool SasUiVisible = true; > = 7;
float Secret < string SasUiLabel = "Secret"; bool SasUiVisible = false; > = 3;

// >> the lower-case convention (ui_*)
float Delta < string ui_type = "drag"; float ui_min = 0; float ui_max = 100; float ui_step = 0.5;
              string ui_label = "Delta knob"; string ui_tooltip = "a tip"; string ui_category = "Second"; > = 1;
float3 Glow < string ui_type = "color"; string ui_label = "Glow"; > = float3(0.2, 0.4, 0.6);
float2 Wind < string ui_type = "slider"; float ui_min = -1; float ui_max = 1; > = float2(0.5, -0.25);

// >> each type
float3 Colour < string UIWidget = "Color"; string UIName = "Colour"; > = float3(1, 0.5, 0.25);
int Count < string UIName = "Count"; int UIMin = 1; int UIMax = 8; > = 3;
int Loose < string UIName = "Loose"; > = -2;
int Vast < string UIName = "Vast"; > = 1e30;  // past an int: 0x80000000, as x86 converts it
bool Use < string UIName = "Use it"; > = true;
bool Off < string ui_label = "Off"; > = false;

// >> not knobs: no UI annotation, another tool's annotation, static
float Plain = 3;
float Other < string Format = "x"; > = 1;
static float Fixed < string UIName = "fixed"; > = 1;

// >> bad and contradictory
float BadRange < float UIMin = 5; float UIMax = 1; > = 2;
float TwoNames < string UIName = "One"; string ui_label = "Two"; > = 0;
float TwoMins < float UIMin = 0; float ui_min = 0; float UIMax = 1; float SasUiMin = 0.5; > = 0.5;
float NotColour < string UIWidget = "Color"; float UIMin = 0; float UIMax = 1; > = 0.5;
float2 NotColour2 < string ui_type = "color"; > = float2(0, 0);
float NoWidget < string UIWidget = "Knob"; > = 0;
float WrongTypes < float UIName = 3; string UIMin = "low"; string UIGroup = "Third"; > = 0;
float Outside < float UIMin = 0; float UIMax = 1; > = 3;
float4x4 Matrix < string UIName = "m"; >;
int2 Pair < string UIName = "pair"; > = int2(1, 2);
float NoStep < float UIStep = 0; > = 1;
float NoRange < string UIWidget = "Slider"; > = 1;
bool Switch < string UIWidget = "Slider"; > = true;
float SoftOutside < float UIMin = 0; float UIMax = 1; float UISoftMin = -1; float UISoftMax = 0.5; > = 0.5;
float SoftBackwards < float UISoftMin = 3; float UISoftMax = 1; > = 2;
float Steps < float SasUiMin = 0; float SasUiMax = 1; int SasUiSteps = 0; > = 0.5;
float Unreadable < float UIMin = Twice(0); string UIName = "Unreadable"; > = 1;
float StringNumber < float UIMax = "two"; string UIName = "StringNumber"; > = 1;
float NumberString < string UIName = 2; float UIMax = 2; > = 1;
float Texture < texture UIName = 1; float UIMax = 2; > = 1;
float Broken < string UIName; float UIMax = 2; > = 1;
float Framed < float4x4 SasFrame = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 }; float UIMax = 2; > = 1;

float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1); }
float4 ps_main() : COLOR0 { return Alpha; }
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }

// A transform hidden from the user is no knob, and nothing is said of it.
float4x4 WorldViewProj < string UIWidget = "None"; >;
float3x3 Turn < bool UIVisible = false; >;

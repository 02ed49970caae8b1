// #pragma message prints its text (strings in a row are one, macros
// expanded) as a warning at its line; the effect loads.
//? entry ps_3_0 main()
//? warning 7 message: built with 4 taps
//? expect 0.5 0.5 0.5 0.5
#define TAPS "4"
#pragma message("built with " TAPS " taps")
float4 main() : COLOR0 { return 0.5; }

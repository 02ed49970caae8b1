// A pragma the compiler does not know is a warning, and the effect loads;
// the ones it knows are taken silently.
//? entry ps_3_0 main()
//? warning 9 unknown pragma 'optimize' ignored
//? expect 0.5 0.5 0.5 0.5
#pragma warning(disable: 3571)
#pragma message "building the half-grey effect"
#pragma def(ps_3_0, c30, 0, 0, 0, 0)
#pragma optimize(on)
float4 main() : COLOR0 { return 0.5; }

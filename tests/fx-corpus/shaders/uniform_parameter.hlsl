//! args -T vs_2_0
//! line   vertex: vs_2_0 main()
// A uniform parameter of the entry point is a constant the host sets.
float4 main(float4 p : POSITION, uniform float4x4 wvp) : POSITION { return mul(p, wvp); }

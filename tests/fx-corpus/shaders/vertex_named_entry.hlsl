//! args -T vs_1_1 -E Transform --registers
//! line   vertex: vs_1_1 Transform()
//! line     wvp c0 4
float4x4 wvp;
float4 main(float4 p : POSITION) : POSITION { return p; }
float4 Transform(float4 p : POSITION) : POSITION { return mul(p, wvp); }

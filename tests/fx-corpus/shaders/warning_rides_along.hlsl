//! args -T ps_2_0
//! line FILE: ok
//! line FILE(5,
//! line : warning:
float4 main(float4 c : COLOR0) : COLOR0 { float2 rg = c; return float4(rg, 0, 1); }

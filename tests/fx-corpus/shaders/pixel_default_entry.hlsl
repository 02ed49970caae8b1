//! args -T ps_2_0
//! line FILE: ok
//! line   pixel: ps_2_0 main()
float4 main(float2 uv : TEXCOORD0) : COLOR0 { return float4(uv, 0, 1); }

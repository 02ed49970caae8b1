//! args -T ps_2_a
//! line   pixel: ps_2_a main()
float4 main(float2 uv : TEXCOORD0) : COLOR0 { return float4(ddx(uv), ddy(uv)); }

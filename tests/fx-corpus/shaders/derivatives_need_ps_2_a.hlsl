//! args -T ps_2_0
//! exit 1
//! line FILE(4,
float4 main(float2 uv : TEXCOORD0) : COLOR0 { return float4(ddx(uv), ddy(uv)); }

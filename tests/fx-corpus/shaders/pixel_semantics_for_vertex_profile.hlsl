//! args -T vs_2_0
//! exit 1
//! line : error:
float4 main(float4 c : COLOR0) : COLOR0 { return c; }

//! args -T fx_2_0 -E ignored
//! line FILE: ok
//! line   technique Tinted
//! line       pixel: ps_2_0 Shade()
float4 Shade(float4 c : COLOR0) : COLOR0 { return c * 0.5; }
technique Tinted { pass P { PixelShader = compile ps_2_0 Shade(); } }

//! args /T ps_3_0 /E Shade /D TINT=0.5
//! line   pixel: ps_3_0 Shade()
float4 Shade(float2 uv : TEXCOORD0) : COLOR { return TINT * uv.xyxy; }

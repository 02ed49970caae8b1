// HLSL swizzles use x, y, z, w or r, g, b, a; s, t, p, q are GLSL's. A
// struct member may still be called p.
//? entry ps_3_0 main()
//? error 10 no swizzle
struct S { float p; };
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    S s;
    s.p = t.x;
    return t.st.xyxy + s.p;
}

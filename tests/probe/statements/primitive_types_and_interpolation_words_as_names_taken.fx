// The geometry shaders' primitive types and the later models' interpolation
// modifiers are no words of shader models 2 and 3: they name a struct, its
// member, a parameter, a local, a function and a parameter of the effect
// (in c0); centroid before a type is still the modifier.
//? entry ps_2_0 main()
//? ps c0 = 0.25 0 0 0
//? expect 0.25 0.5 0.75 1
float point;
struct triangle { float line; };
float linear(float centroid) { float noperspective = centroid * 2; return noperspective; }
float4 main(centroid float2 uv : TEXCOORD0) : COLOR0
{
    triangle lineadj;
    lineadj.line = linear(point);
    float nointerpolation = 0.75;
    return float4(point, lineadj.line, nointerpolation, 1) + 0 * uv.x;
}

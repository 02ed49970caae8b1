// A scalar member of a struct (of a local, a nested struct, a uniform
// struct) given to an intrinsic that glslang finds ambiguous of scalars
// is a scalar as any other: normalize(-2) is -1, any(0) false.
//? entry ps_3_0 main()
//? ps c0 = -2 3 4 0
//? ps c1 = 0.5 -1 2 0
//? expect -1 1 0 1
struct In { float3 v; float w; };
struct Out { In i; };
float4 v : register(c0);
In u : register(c1);
float4 main() : COLOR0
{
    In s; s.v = v.xyz; s.w = v.x;
    Out o; o.i = s;
    return float4(normalize(s.w), normalize(o.i.v.y), any(s.v.x * v.w), reflect(u.v.y, 1));
}

// A cast of a cast to a struct converts twice, each in order, and an
// operator takes the outer cast's value; a struct of one component casts to
// a scalar or a 1x1 matrix; a bracketed selection casts to a struct of as
// many components.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 2 3 8 5
float4 v : register(c0);
struct Split { float x; float3 yzw; };
struct One { float x; };
float4 main() : COLOR0
{
    One o;
    o.x = v.w;
    float1x1 m = (float1x1)o;
    Split s = (Split)(v.x > 0 ? v : -v);
    float4 back = (float4)(Split)v + 1;
    float1x3 row = (float1x3)(float3)(Split)v;
    return float4(back.xy, (float)o + m._11, s.x + row._13 + s.yzw.x - 1);
}

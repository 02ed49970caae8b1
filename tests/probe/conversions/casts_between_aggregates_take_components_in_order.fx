// Casts between structs, arrays, vectors and matrices take the components
// in order: a struct's members in turn, an array's elements, a matrix's
// rows; a scalar fills every component.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 4 3 2 1
float4 v : register(c0);
struct Split { float x; float3 yzw; };
struct Pair { float a; int b; };
struct Two { float2 first; float2 second; };
float4 main() : COLOR0
{
    Split s = (Split)v;                      // x 1, yzw (2, 3, 4)
    Pair p[2];
    p[0] = (Pair)float2(s.yzw.z, s.yzw.y);   // 4, 3
    p[1] = (Pair)v.yx;                       // 2, 1
    float flat[4] = (float[4])p;             // 4 3 2 1
    Two t = (Two)float2x2(flat[0], flat[1], flat[2], flat[3]);
    Two zero = (Two)0;
    return (float4)t + (float4)zero;
}

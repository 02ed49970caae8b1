// Engines spell their vectors and matrices through typedefs; an initial
// value that constructs or casts to such a name is the same value as with
// the type it stands for (an int typedef truncates, a matrix one keeps its
// shape for mul).
//? entry ps_3_0 main()
//? expect 1.5 -1 6 0.25
typedef float4 vec4;
typedef vector<float, 3> vec3;
typedef vec3 colour;
typedef int2 ivec2;
typedef row_major float2x2 mat2;
vec4 tint = vec4(1.5, 0.5, 0.25, 1);
colour sky = (vec3)4 * colour(0.5, 1, 2);
ivec2 cell = (ivec2)float2(2.7, -1.5);
mat2 m = mul(mat2(1, 2, 3, 4), mat2(1, 0, 0, 1));
float4 main() : COLOR0
{
    return float4(tint.x, cell.y, sky.y + m._12 + cell.x * 0, tint.z);
}

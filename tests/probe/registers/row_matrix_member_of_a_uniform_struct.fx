// A column-major 1xN member of a uniform struct takes a register an
// element as a global of that type does, through a typedef too; the next
// member starts after them.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 -1 -1
//? ps c1 = 2 -1 -1 -1
//? ps c2 = 3 -1 -1 -1
//? ps c3 = 7 8 -1 -1
//? expect 1 2 3 10
typedef float1x3 Row;
struct Light { Row weights; float2 offset; };
Light light : register(c0);
float4 main() : COLOR0
{
    return float4(light.weights, light.weights._12 + light.offset.y);
}

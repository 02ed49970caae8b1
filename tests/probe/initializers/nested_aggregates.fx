// Arrays of structs holding arrays, from one flat list or with inner braces.
//? entry ps_3_0 main()
//? expect 9 10 11 12
struct Pair
{
    float a[2];
    float2 b;
};
float4 main() : COLOR0
{
    Pair flat[2] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    Pair braced[2] = { { { 1, 2 }, { 3, 4 } }, { 5, 6, float2(7, 8) } };
    float4 x = float4(flat[1].a[0], flat[1].a[1], flat[1].b);
    float4 y = float4(braced[0].a[0], braced[0].a[1], braced[0].b);
    return x + y - float4(1, 2, 3, 4) + float4(4, 4, 4, 4);
}

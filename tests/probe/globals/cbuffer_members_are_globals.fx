// A cbuffer in shader model 3 code holds globals like any other: sorted
// with them by size (the matrix first, c0-c3), each in registers of its own.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
//? ps c4 = 10 20 30 40  1 1 1 1
//? expect 11 21 31 41
float4 before;
cbuffer Frame : register(b0)
{
    float4x4 m;
    float4 after;
};
float4 main() : COLOR0
{
    return mul(m, before) + after;
}

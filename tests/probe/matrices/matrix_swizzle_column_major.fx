// A swizzle names rows and columns whatever the registers hold: a column-major
// matrix keeps its columns in the registers.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 0  4 5 6 0  7 8 9 0
//? expect 1 5 9 4
float3x3 m : register(c0);
float4 main() : COLOR0
{
    return float4(m._11_22_33, m._12_21.y + 2);
}

// A matrix's elements and swizzles (_31, _m00_m11, _12_21) taken of a value
// that is no variable: a call, a sum, transpose, mul, a constructor.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0
//? ps c1 = 3 4 0 0
//? expect 7 18 32 6
row_major float2x2 a : register(c0);
float3x3 Column() { return float3x3(1, 2, 3, 4, 5, 6, 7, 8, 9); }
float4 main() : COLOR0
{
    float2 diagonal = Column()._m00_m11 + (a + a)._11_22;   // 1 5 + 2 8
    float2 crossed = transpose(a)._12_21;                   // 3 2
    float4x4 s = float4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2);
    return float4(Column()._31, diagonal.x + diagonal.y + crossed.y,
                  mul(s, s)._44 * float2x2(1, 2, 3, 8)._22, crossed.x * 2);
}

// The ternary operator promotes a scalar to the other operand's vector, per component.
//? entry ps_3_0 main()
//? ps c0 = 0.5 2 -3 4
//? expect 1 1 -3 4
float4 v : register(c0);
float4 main() : COLOR0
{
    float4 a = v.x > 0 ? 1 : v;
    float4 b = v > 1 ? v : 1;
    return float4(a.x, b.x, (v.x > 1 ? 0 : v.zw));
}

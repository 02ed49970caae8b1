// An initializer list fills an array of vectors component by component.
//? entry ps_3_0 main()
//? expect 1 2 3 4
float4 main() : COLOR0
{
    float2 a[2] = { 1, 2, 3, 4 };
    return float4(a[0], a[1]);
}

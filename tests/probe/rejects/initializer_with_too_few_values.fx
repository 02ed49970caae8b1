// An initializer list gives exactly as many values as its type holds
// (vectors counting as their components): too few is an error.
//? entry ps_3_0 main()
//? error 8 gives 3 values; its type holds 4
float4 main() : COLOR0
{
    float2 a[2] = { float2(1, 2), 3, 4 };
    float4 b = { float2(1, 2), 5 };
    return b + a[1].xyxy;
}

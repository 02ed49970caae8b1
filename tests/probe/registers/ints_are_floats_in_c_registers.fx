// int globals read their register as a float and take one each.
//? entry ps_3_0 main()
//? ps c0 = 3 0 0 0  4 0 0 0
//? expect 3 4 7 12
int a;
int b;
float4 main() : COLOR0
{
    return float4(a, b, a + b, a * b);
}

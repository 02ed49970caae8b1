// Constant integer / and % fold truncated, as they compute at run time.
//? entry ps_3_0 main()
//? expect -3 -1 3 -1
float4 main() : COLOR0
{
    int a = -7 / 2, b = -7 % 2, c = 7 / -2, d = -7 % -2;
    return float4(a, b, -c, d);
}

// A literal with the half suffix is a float (shader models 2 and 3 compute
// halves as floats), in arithmetic with ints too.
//? entry ps_3_0 main()
//? ps c0 = 2 0 0 0
//? expect 3 0.75 6 1.5
float4 v : register(c0);
float4 main() : COLOR0
{
    int i = (int)v.x;
    return float4(1.5h * 2, 1.5H / v.x, 3h * i, 0.5h + 1);
}

// A float divided by a constant zero compiles; a local written twice is no constant.
//? entry ps_3_0 main()
//? ps c0 = 6 0 0 0
//? expect 1 3 0 0
float4 v;
float4 main() : COLOR0
{
    float f = v.y != 0 ? v.x / 0 : 1;
    int z = 0;
    z = 2;
    return float4(f, (int)v.x / z, 0, 0);
}

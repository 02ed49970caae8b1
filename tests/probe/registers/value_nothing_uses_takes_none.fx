// A global read into a value that no result uses takes no register.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 2 3 4
float4 unused;
float4 used;
float4 main() : COLOR0
{
    float4 dead = unused * 2;
    return used;
}

// 65536 elements is the largest array; a shader that never reads it is fine.
//? entry ps_3_0 main()
//? expect 0.5 0.5 0.5 0.5
static const float table[65536];
float4 main() : COLOR0
{
    return 0.5;
}

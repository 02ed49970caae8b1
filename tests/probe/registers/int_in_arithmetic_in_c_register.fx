// An int used in arithmetic (not only as a loop bound) reads its c register.
//? entry ps_3_0 main()
//? ps c0 = 6 0 0 0
//? expect 3 6 6 0
int k = 2;
float4 main() : COLOR0
{
    float4 r = float4(k * 0.5, 0, 0, 0);
    for (int i = 0; i < k; i++) r.y += 1;
    r.z = k;
    return r;
}

// switch on an int constant, a local and an expression.
//? entry ps_3_0 main()
//? ps c0 = 2 0 0 0
//? expect 0.5 0.25 1 0
int mode : register(c0);
float pick(int m)
{
    switch (m)
    {
    case 0: return 0.125;
    case 1: return 0.25;
    case 2: return 0.5;
    default: return 1;
    }
}
float4 main() : COLOR0
{
    float4 r = 0;
    switch (mode) { case 2: r.x = pick(mode); break; default: r.x = -1; break; }
    int local = mode - 1;
    r.y = pick(local);
    switch (mode * 2) { case 4: r.z = 1; break; case 8: r.z = 2; break; }
    return r;
}

// Cases without statements share the next one's; a case whose block ends
// with break or return does not fall through.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0
//? expect 0.5 0.75 0 1
float4 k : register(c0);
float Pick(int n)
{
    float s = 0;
    switch (n) {
        case 0:
        case 1:
            s = 0.5;
            break;
        case 2: {
            s = 0.75;
            break;
        }
        default:
            return 1;
    }
    return s;
}
float4 main() : COLOR0
{
    return float4(Pick(int(k.x)), Pick(int(k.y)), 0, 1);
}

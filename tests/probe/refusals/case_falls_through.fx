// A case with statements must end before the next case that has statements
// of its own (with break or return): it cannot fall through into it.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? error 13 fall through
float4 k : register(c0);
float4 main() : COLOR0
{
    float s = 0;
    switch (int(k.x)) {
        case 0:
            s = 0.25;
        case 1:
            s += 0.5;
            break;
        default:
            s = 1;
    }
    return s;
}

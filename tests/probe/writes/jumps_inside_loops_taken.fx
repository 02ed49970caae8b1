// continue inside a switch inside a loop goes on with the loop; break
// leaves the innermost loop or switch. i = 0 adds 0.25, 1 continues, 2
// leaves the switch and adds 0.25, 3 leaves the loop.
//? entry ps_3_0 main()
//? expect 0.5 0.5 0.5 0.5
float4 main() : COLOR0
{
    float r = 0;
    for (int i = 0; i < 8; i++)
    {
        if (i == 3) break;
        switch (i)
        {
        case 1: continue;
        default: break;
        }
        r += 0.25;
    }
    return r;
}

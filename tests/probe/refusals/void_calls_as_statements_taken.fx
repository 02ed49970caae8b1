// A void function's call as a statement: alone, in a branch, as a for
// loop's first and last parts and inside a switch.
//? entry ps_3_0 main()
//? expect 0.5625 0.5625 0.5625 0.5625
static float total = 0;
void Add(float x) { total += x; }
float4 main() : COLOR0
{
    Add(0.25);
    if (total > 0) Add(0.125); else Add(1);
    int i = 0;
    for (Add(0); i < 2; Add(0.0625)) i++;
    switch (1) { case 1: Add(0.0625); break; default: Add(1); }
    return total;
}

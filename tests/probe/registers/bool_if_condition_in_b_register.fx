// A bool read only as an if condition sits in a b register with its
// initial value; tint (the first float) is at c0.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.5 0.5 0.5
//? expect 0.5 0.5 0.5 0.5
bool enabled = true;
float4 tint;
float4 main() : COLOR0
{
    if (enabled)
        return tint;
    return 2;
}

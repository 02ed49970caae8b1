// A function with a value to return that has no return statement at all is
// the same error as one that some path leaves without a value, said once.
//? entry ps_3_0 main()
//? error 6 'Settle': not all control paths return a value
float Settle(float x)
{
    while (true) {
        if (x > 0.5) break;
        x += 0.5;
    }
}
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return Settle(uv.x);
}

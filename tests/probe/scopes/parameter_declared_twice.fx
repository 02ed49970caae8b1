// Two parameters of one function cannot share a name; the error is at the
// second, not where the body starts.
//? entry ps_3_0 main()
//? error 6 'a' is declared twice in the parameters of 'Add'
float Add(float a,
          float a)
{
    return a;
}
float4 main() : COLOR0
{
    return Add(0.5, 0.25);
}

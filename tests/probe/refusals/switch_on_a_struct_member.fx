// A switch takes one number: a member that is a struct is no selector.
//? entry ps_3_0 main()
//? error 10 'inner' is a struct
struct Inner { int n; };
struct Outer { Inner inner; };
float4 k;
float4 main() : COLOR0
{
    Outer o = (Outer)k.x;
    switch (o.inner)
    {
        case 0: return 0.5;
        default: return 1;
    }
}

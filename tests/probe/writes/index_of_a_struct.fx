// A struct is no index, even one of a single int.
//? entry ps_3_0 main()
//? error 9 an index is one number; 'p' is a struct
struct Pick { int i; };
float4 main() : COLOR0
{
    float a[2] = { 0.25, 0.5 };
    Pick p = (Pick)1;
    return a[p];
}

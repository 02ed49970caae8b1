// A switch takes one number: an array is refused though a struct member
// elsewhere has its name and another type.
//? entry ps_3_0 main()
//? error 10 'mode' is an array
struct Setting { int mode; };
float4 k;
float4 main() : COLOR0
{
    int mode[2] = { (int)k.x, 1 };
    switch (mode) { case 1: return 1; default: break; }
    return 0;
}

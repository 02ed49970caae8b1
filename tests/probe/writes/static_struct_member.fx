// A struct's members take interpolation and type modifiers, no storage class.
//? entry ps_3_0 main()
//? error 4 'static' cannot qualify a struct's member
struct Light { static float4 colour; float4 position; };
float4 main() : COLOR0
{
    Light l = (Light)0.5;
    return l.position;
}

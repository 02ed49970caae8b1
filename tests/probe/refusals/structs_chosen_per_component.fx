// A ?: chooses a struct whole, so its condition is one value; a vector's
// comparison cannot choose between two structs component by component.
//? entry ps_3_0 main()
//? error 11 cannot choose between structs
struct Light { float4 colour; float range; };
float4 k;
float4 main() : COLOR0
{
    Light near = { float4(0.25, 0, 0, 1), 1 };
    Light far = { float4(0.5, 0, 0, 1), 2 };
    Light l = k.xy > 0 ? near : far;
    return l.colour;
}

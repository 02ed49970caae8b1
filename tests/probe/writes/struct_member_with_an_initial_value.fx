// A struct's members take no initial values; its variables do.
//? entry ps_3_0 main()
//? error 4 'tint': a struct's member takes no initial value
struct Look { float4 tint = 0.5; };
float4 main() : COLOR0
{
    Look l = { float4(0.5, 0.5, 0.5, 1) };
    return l.tint;
}

// An out parameter writes its argument: a const parameter cannot be one.
//? entry ps_3_0 main()
//? error 7 'x' is const: it cannot be given to an out or inout parameter
void half_of(inout float v) { v *= 0.5; }
float scaled(const float x)
{
    half_of(x);
    return x;
}
float4 main() : COLOR0
{
    return scaled(1);
}

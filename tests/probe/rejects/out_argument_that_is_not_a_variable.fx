// An out argument must be a variable or part of one, not a value.
//? entry ps_3_0 main()
//? error 10 must be a variable
void halve(inout float x) { x *= 0.5; }
float4 main() : COLOR0
{
    float4 v = 1;
    halve(v.y);
    float k = 2;
    halve(k + 1);
    return v * k;
}

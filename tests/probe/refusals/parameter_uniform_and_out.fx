// A uniform parameter is set by the program; it cannot also be an output.
//? entry ps_3_0 main()
//? error 4 contradicts
void Set(in out uniform float v) { v = 1; }
float4 main() : COLOR0
{
    float k = 0;
    Set(k);
    return k;
}

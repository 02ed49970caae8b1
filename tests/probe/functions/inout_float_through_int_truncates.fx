// An int inout argument of a float variable truncates on the way in and back.
//? entry ps_3_0 main()
//? ps c0 = -3.5 0 0 0
//? expect -1 0 0 0
float4 v;
void half_of(inout int x) { x = x / 2; }
float4 main() : COLOR0
{
    float f = v.x;
    half_of(f);
    return float4(f, 0, 0, 0);
}

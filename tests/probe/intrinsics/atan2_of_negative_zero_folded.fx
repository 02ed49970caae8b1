// atan2 takes a y of -0 as +0 (pi where x is negative), written as a literal
// or a const name as at run time, and in a global's initial value.
//? entry ps_3_0 main()
//? abs 1e-6
//? ps c0 = -0 -1 0 0
//? expect 3.14159274 3.14159274 3.14159274 3.14159274
float4 U : register(c0);
static const float Z = -0.0;
float G = atan2(-0.0, -1);
float4 main() : COLOR0
{
    return float4(atan2(-0.0, -1), atan2(Z, -1), atan2(U.x, U.y), G);
}

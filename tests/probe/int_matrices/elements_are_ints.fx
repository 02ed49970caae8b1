// An element, a row or a swizzle of an int matrix is an int: divided by an
// int it truncates, as Direct3D 9 divides ints; given to an out argument it
// is still written (and made whole).
//? entry ps_3_0 main()
//? ps c0 = 2 3 -7 4
//? expect 0 -1 -2 1
float4 a : register(c0);
void Set(out float x, float v) { x = v; }
float4 main() : COLOR0
{
    int2x2 m = int2x2(a.x, a.y, a.z, 1);
    Set(m[1].y, a.w + 0.5);
    modf(a.w, m._12);
    return float4(m[0].x / 4, m._21 / 4, (m[1] / 3).x, m._m01 / 3 + m._22 / 4 - 1);
}

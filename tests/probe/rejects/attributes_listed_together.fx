// Different attributes on one statement, and one Direct3D 9 does not know
// (a warning), compile.
//? entry ps_3_0 main()
//? ps c0 = 3 0 0 0
//? warning 11 flatten_everything
//? expect 0.75 0.75 0.75 0.75
float4 n : register(c0);
float4 main() : COLOR0
{
    float4 s = 0;
    [flatten_everything] [loop] [fastopt] for (int i = 0; i < n.x; i++) { [branch] if (i < 3) s += 0.25; }
    return s;
}

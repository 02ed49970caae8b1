// Sixteen bool registers, b0 to b15 (b15 itself is taken).
//? entry ps_3_0 main()
//? error 5 register 'b16' is past b15
bool last : register(b15);
bool past : register(b16);
float4 main() : COLOR0
{
    if (past || last) return 1;
    return float4(0.5, 0.25, 0, 1);
}

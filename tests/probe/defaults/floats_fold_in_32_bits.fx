// A global's initial value folds floats in 32 bits, as the shader computes
// them (2^24 + 1 is 2^24 in a float), and integers' bitwise operators in 32
// bits too: >> of an int keeps its sign.
//? entry ps_3_0 main()
//? expect 0 19 -2 15
float lost = (16777216.0 + 1.0) - 16777216.0;
float flags = 1 << 4 | 3;
float halved = -4 >> 1;
float masked = (0xFF0 & 0xFF) ^ 0xF0 | 0x0F;
float4 main() : COLOR0
{
    return float4(lost, flags, halved, masked);
}

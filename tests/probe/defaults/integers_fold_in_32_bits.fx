// A global's initial value folds its integers as the code folds them: in 32
// bits, an unsuffixed literal of 2^31 or more a wrapped int, int arithmetic
// wrapping, a `u` literal and a cast to uint unsigned, / and % truncating.
//? entry ps_3_0 main()
//? size 2 1
//? expect at 0 0 = -2147483648 -2147483648 -1 1705032704
//? expect at 1 0 = 1 4294967296 -3 -1
float literal = 0x80000000;
float wrapped = 2147483647 + 1;
float allOnes = 4294967295;
float product = 3000000000u * 2;
float carried = 0xFFFFFFFFu + 2;
uint minusOne = (uint)-1;
float quotient = -7 / 2;
int remainder = -7 % 2;
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return float4(literal, wrapped, allOnes, product);
    return float4(carried, minusOne, quotient, remainder);
}

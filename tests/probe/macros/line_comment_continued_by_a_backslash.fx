// A line comment that ends in a backslash goes on over the next line, in
// code and in a directive alike; the lines after it keep their numbers.
//? entry ps_3_0 main()
//? expect 1 2 0 0
// the next line is part of this comment \
static float a = 5;
static float a = 1;
#define TWO 2 // and so is the next line \
+ 40
float4 main() : COLOR0 { return float4(a, TWO, 0, __LINE__ - 10); }

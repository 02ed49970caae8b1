// A function named as an intrinsic that calls the intrinsic with fewer
// arguments than it takes calls the intrinsic, not itself: no recursion.
//? entry ps_3_0 main()
//? expect 3 1 0 1
float max(float a, float b, float c) { return max(max(a, b), c); }
float4 main() : COLOR0 { return float4(max(1, 3, 2), max(1, 0), 0, 1); }

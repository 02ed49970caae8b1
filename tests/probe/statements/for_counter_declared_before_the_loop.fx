// A loop that declares a counter its block declared before counts in it:
// after the loop the name is the loop's counter.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? expect 3 2 0 0
float k : register(c0);
float4 main() : COLOR0 {
    int i = 7;
    float s = 0;
    for (int i = 0; i < 3; i++) s += k;
    for (int j = 0; j < 2; j++) { }
    if (k < 0) s = 0; else s = j;
    return float4(i, s, 0, 0);
}

// A for loop's variables stay visible after the loop; a second loop of
// the block that declares the same counter counts in it too.
//? entry ps_2_0 main()
//? ps c0 = 3 0 0 0
//? expect 4 -1 2 6
float n : register(c0);
float4 main() : COLOR0 {
    float sum = 0;
    [unroll] for (int i = 0, j = 3; i < 4; i++, j--)
        sum += 1;
    float after = i;
    for (int k = 0; k < 2; k++) { }
    for (int k = 0; k < 3 && k < n; k++) sum += k;
    return float4(after, j, k - 1, sum - 1);
}

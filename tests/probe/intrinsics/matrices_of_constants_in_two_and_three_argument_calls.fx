// Intrinsics of two and three arguments applied to a matrix of constants
// compute each element as they do at run time (nothing folds to zeros or
// to the first element's value); each pixel is one call's matrix.
//? entry ps_3_0 main()
//? size 4 2
//? abs 1e-4
//? expect at 0 0 = 0 0.5 1 0.25
//? expect at 1 0 = 0 1 0 1
//? expect at 2 0 = 1 2 3 4
//? expect at 3 0 = 4 9 16 25
//? expect at 0 1 = 2.5 2.5 3 4
//? expect at 1 1 = 1 2 2.5 2.5
//? expect at 2 1 = 0.15625 0.5 0.84375 1
//? expect at 3 1 = 0.78539819 1.10714877 1.24904573 1.32581770
float4 main(float2 p : VPOS) : COLOR0
{
    float2x2 m;
    if (p.y == 0) {
        if (p.x == 0) m = clamp(float2x2(-1, 0.5, 2, 0.25), 0, 1);
        else if (p.x == 1) m = step(float2x2(1, 0, 3, 1), float2x2(0, 0, 2, 1));
        else if (p.x == 2) m = lerp(float2x2(0, 0, 0, 0), float2x2(2, 4, 6, 8), 0.5);
        else m = pow(float2x2(2, 3, 4, 5), 2);
    } else {
        if (p.x == 0) m = max(float2x2(1, 2, 3, 4), 2.5);
        else if (p.x == 1) m = min(2.5, float2x2(1, 2, 3, 4));
        else if (p.x == 2) m = smoothstep(0, 4, float2x2(1, 2, 3, 5));
        else m = atan2(float2x2(1, 2, 3, 4), 1);
    }
    return float4(m[0], m[1]);
}

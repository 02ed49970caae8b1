// A function that is called but only declared is an error at the call.
//? entry ps_3_0 main()
//? error 6 declared but never defined
float shade(float x);
float4 main(float2 uv : TEXCOORD0) : COLOR0 {
    return shade(uv.x);
}

// COLOR is COLOR0: two outputs on one register are an error at the second.
//? entry ps_3_0 main()
//? error 5 names COLOR0 again
void main(out float4 a : COLOR,
          out float4 b : COLOR0)
{
    a = float4(0.5, 0.25, 0, 1);
    b = 0;
}

// SV_Target is COLOR0, COLOR1 another register: both are written.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
void main(out float4 a : SV_Target, out float4 b : COLOR1)
{
    a = float4(0.5, 0.25, 0, 1);
    b = 0;
}

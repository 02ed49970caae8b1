// An array of colours takes COLOR0 and the registers after it: its first
// element is the colour the target gets (and the alpha test reads).
//? entry ps_3_0 main()
//? expect 0.25 0.5 0.75 1
void main(out float4 colours[2] : COLOR0)
{
    colours[0] = float4(0.25, 0.5, 0.75, 1);
    colours[1] = 0.125;
}

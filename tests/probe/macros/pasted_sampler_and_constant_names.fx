// Effects declare their samplers and constants through ## and name their
// files and knobs through #: the pasted names reach the texture, the
// sampler states and the registers as if written out. The texture's one
// texel is (64, 128, 192, 255); c1 adds 0.25.
//? texture layer1.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? entry ps_3_0 main()
//? ps c0 = 9 9 9 9  0.25 0.25 0.25 0.25
//? abs 0.002
//? expect 0.500980 0.751961 1.002941 1.25
#define LAYER(n) \
    texture Layer##n##Map < string ResourceName = "layer" #n ".dds"; >; \
    sampler2D Layer##n##Sampler : register(s##n) = sampler_state { \
        Texture = <Layer##n##Map>; MinFilter = Point; MagFilter = Point; }; \
    float4 Layer##n##Weight : register(c##n) < string UIName = #n; >;
LAYER(1)
#define READ(n, uv) (tex2D(Layer##n##Sampler, uv) + Layer##n##Weight)
float4 main() : COLOR0 { return READ(1, 0.5); }

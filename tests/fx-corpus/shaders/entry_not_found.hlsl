//! args -T ps_2_0 -E PSMain
//! exit 1
//! line FILE: error: entry point 'PSMain' not found
float4 main() : COLOR0 { return 1; }

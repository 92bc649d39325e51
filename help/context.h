[MAP]
#define IDH_index 1000
#define IDH_getting_started 1001
#define IDH_opening 1002
#define IDH_image_types 1003
#define IDH_sliders 1004
#define IDH_highlights 1005
#define IDH_brush 1006
#define IDH_viewing 1007
#define IDH_saving 1008
#define IDH_keys 1009
#define IDH_settings 1010
#define IDH_command_line 1011
#define IDH_troubleshooting 1012
#define IDH_infrared 1013

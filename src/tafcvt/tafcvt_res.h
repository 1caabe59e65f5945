// The resources tafcvt declares, in the order its help lists them: the keyed options and
// the positional input file names. Shared by the driver and the command-line fuzz target,
// which must read argument vectors exactly as the program does.
#ifndef TAFCVT_RES_H
#define TAFCVT_RES_H

#include "resrc.h"

inline constexpr res_type TAFCVT_RES_KEY[] = {
    RES_help,       RES_batch,      RES_message,    RES_file_path, RES_data_path,  RES_con_path,
    RES_grid_path,  RES_raw_path,   RES_image_path, RES_watch_path, RES_text_path, RES_model_path,
    RES_sat_path,   RES_city_file,  RES_stat_prior, RES_name_conv, RES_in_file,    RES_out_file,
    RES_file_param, RES_current,    RES_hour,       RES_num_hour,  RES_product,    RES_output,
    RES_color,      RES_identifier, RES_parameter,  RES_null};
inline constexpr res_type TAFCVT_RES_POS[] = {RES_filenames, RES_null};

#endif

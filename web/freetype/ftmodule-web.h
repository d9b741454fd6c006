/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: MIT */

/* The FreeType modules of the page's library: TrueType fonts, drawn in one
   colour. */
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )

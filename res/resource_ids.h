/* Identifiers of the installer's resources and of the dialog controls the
   code addresses. Plain #defines so that both the resource compiler and the
   stub's C++ code can include this file. */
#ifndef VELTRANE_RES_RESOURCE_IDS_H
#define VELTRANE_RES_RESOURCE_IDS_H

#define VELTRANE_ICON_GROUP 101      /* class icon and the file's icon */
#define VELTRANE_DLG_EXTRACT 103     /* shown while the payload is written */
#define VELTRANE_DLG_ORDER_INFO 104  /* closing order-information panel */
#define VELTRANE_CTL_SAVER_LINE 1001 /* dialog 103: "<name> Bildschirmschoner" */
#define VELTRANE_MARKER_ID 1000      /* name of the LASTRES marker resource */

#endif

/* The numbers of the program's resources, shared by the resource script (assets/brisko.rc)
   and the code (app/control_ids.h): plain #defines in C comments, because the resource
   compiler reads only the preprocessor's language. */
#ifndef BRISKO_APP_RESOURCE_IDS_H
#define BRISKO_APP_RESOURCE_IDS_H

#define BRISKO_ICON_MAIN 1
#define BRISKO_PICTURE_BACKGROUND 10
#define BRISKO_PICTURE_LOGO 11
#define BRISKO_PICTURE_SPANNER 12

#endif

#pragma once
// Codes shared by the annotation engine (inkcore7.dll) and its host: result
// codes, tools, notification codes, callback channels, engine properties and
// attribute codes. Every value here is part of the interface between the two
// libraries; none may change.

// Result of an engine operation: 0 or one of these. The host's error texts use
// the same numbers.
enum EngineError : int {
    QMK_NoError = 0,
    QMK_ErrCouldNotLoad = 1000,
    QMK_ErrCouldNotInitialize = 1001,
    QMK_ErrInvalidHwnd = 1002,
    QMK_ErrAlreadyInitialized = 1003,
    QMK_ErrNoCurrentLayer = 1004,
    QMK_ErrInvalidTool = 1005,
    QMK_ErrInvalidFile = 1006,
    QMK_ErrFileRead = 1007,
    QMK_ErrFileWrite = 1008,
    QMK_ErrFileOpen = 1009,
    QMK_ErrCreateStorage = 1010,
    QMK_ErrStorageStream = 1011,
    QMK_ErrInvalidColorType = 1012,
    QMK_ErrInvalidLayer = 1013,
    QMK_ErrInvalidFont = 1014,
    QMK_ErrInvalidAttribute = 1015,
    QMK_ErrNoSelection = 1016,
    QMK_ErrCopy = 1017,
    QMK_ErrUnsupportedOperation = 1018,
    QMK_ErrBranding = 1019,
    QMK_ErrMaxLayers = 1020,
    QMK_ErrCreateLayer = 1021,
    QMK_ErrInvalidOrientation = 1022,
    QMK_ErrInvalidVariant = 1023,
    QMK_ErrInvalidPassword = 1024,
    QMK_ErrInvalidPoint = 1025,
    QMK_ErrItemNotFound = 1026,
    QMK_ErrInvalidItemType = 1027,
    QMK_ErrOutOfMemory = 1028,
    QMK_ErrEntryNotFound = 1029,
    QMK_ErrUnableToChangeTool = 1030,
    QMK_ErrNoText = 1031,
    QMK_ErrNotEnoughPoints = 1032,
    QMK_ErrInvalidContext = 1033,
    QMK_ErrInvalidInteractMode = 1034,
    QMK_ErrClipboard = 1035,
    QMK_ErrInvalidContextMenuId = 1036,
    QMK_ErrInvalidWangType = 1037,
    QMK_ErrDuplicateMenuId = 1038,
    QMK_ErrInvalidMenuId = 1039,
    QMK_ErrInvalidTextOrientation = 1040,
    QMK_ErrInvalidCursorType = 1041,
    QMK_ErrInvalidTiffAnnotationOption = 1042,
    QMK_ErrInvalidBrandingDib = 1043,
    QMK_ErrInvalidHatchStyle = 1044,
    QMK_ErrGroupCreation = 1045,
    QMK_ErrInvalidGroupId = 1046,
    QMK_ErrDuplicateItem = 1047,
    QMK_ErrInvalidItem = 1048,
    QMK_ErrInvalidTextJustification = 1049,
    QMK_ErrInvalidFontScaling = 1050,
};

// Tool identifiers. 0 means no tool.
enum annotationTOOL : int {
    NoTool = 0,
    PointerTool = 4096,
    TextTool = 4097,
    RectangleTool = 4098,
    EllipseTool = 4099,
    PolygonTool = 4100,
    PolyLineTool = 4101,
    LineTool = 4102,
    FreehandTool = 4103,
    StampTool = 4104,
    ImageTool = 4105,
    ButtonTool = 4106,
    RulerTool = 4107,
    ProtractorTool = 4108,
};
constexpr int kFirstTool = PointerTool;
constexpr int kLastTool = ProtractorTool;
constexpr int kToolCount = kLastTool - kFirstTool + 1;  // 13

// Notification codes sent on Channel_AnnotateEvent (1) and Channel_MouseEvent (5).
enum annotationEVENT : int {
    QMK_AnnotationAdded = 1001,
    QMK_AnnotationMoved = 1002,
    QMK_AnnotationDeleted = 1003,
    QMK_AnnotationSelected = 1004,
    QMK_AnnotationEndSelected = 1005,
    QMK_AnnotationTool = 1008,       // never sent by the engine
    QMK_AnnotationStamping = 1009,   // never sent by the engine (stamping has channel 4)
    QMK_Click = 1010,
    QMK_MouseDown = 1011,
    QMK_MouseUp = 1012,
    QMK_DoubleClick = 1013,
    QMK_ItemRightClick = 1014,
    QMK_ToolChange = 1015,
    QMK_MouseMove = 1016,
    QMK_TextEditStart = 1017,
    QMK_TextEditEnd = 1018,
    QMK_ToolPaletteRClick = 1100,
    QMK_GroupSelected = 2001,
};

// Channels under which the host registers its callbacks (RegisterCallback).
// Channels 2 and 13 to 16 do not exist.
enum CallbackChannel : int {
    Channel_AnnotateEvent = 1,
    Channel_RequestLayerPassword = 3,
    Channel_Stamping = 4,
    Channel_MouseEvent = 5,
    Channel_PaletteMenuSelect = 6,
    Channel_UserDraw = 7,
    Channel_ItemChanged = 8,
    Channel_CurrentLayerChange = 9,
    Channel_ContextMenuSelect = 10,
    Channel_UserGroupCreated = 11,
    Channel_UserGroupDestroyed = 12,
    Channel_MenuSelect = 17,
    Channel_ToolbarSelect = 18,
};
constexpr int kChannelCount = 13;

// Engine-wide settings, read and written with GetProperty / SetProperty.
enum EngineProperty : int {
    QMK_StreamSetting34 = 34,
    QMK_InteractMode = 130,
    QMK_EnableContextMenu = 131,
    QMK_SaveAnnotations = 132,
    QMK_UsePaletteMenu = 133,
    QMK_LoadAnnotations = 134,
    QMK_FontScaling = 135,
    QMK_MLECompatible = 136,
    QMK_QMKEditors = 137,
    QMK_UnicodeMode = 138,
    QMK_TextToolArrows = 139,
    QMK_RecalibrateXDPI = 140,
    QMK_RecalibrateYDPI = 141,
    QMK_SummaryAuthor = 768,
    QMK_SummaryComments = 769,
    QMK_SummarySubject = 770,
    QMK_SummaryTitle = 771,
    QMK_ImageMappingWidth = 896,
    QMK_ImageMappingHeight = 897,
    // Labels of the measurement units: unit code (QMK_MeasureChoice) + 32.
    QMK_UnitNameInches = 2081,
    QMK_UnitNameFeet = 2082,
    QMK_UnitNameYards = 2083,
    QMK_UnitNameMiles = 2084,
    QMK_UnitNameMicrometers = 2085,
    QMK_UnitNameMillimeters = 2086,
    QMK_UnitNameCentimeters = 2087,
    QMK_UnitNameDecimeters = 2088,
    QMK_UnitNameMeters = 2089,
    QMK_UnitNameDekameters = 2090,
    QMK_UnitNameKilometers = 2091,
    // there is no 2092
    QMK_UnitNamePixels = 2093,
    QMK_UnitNameTwips = 2094,
    QMK_DefaultRulerFont = 2119,     // value: address of a LOGFONT
    QMK_StreamSetting2128 = 2128,
    QMK_StreamSetting2129 = 2129,
    QMK_DefaultPenColor = 4097,
    QMK_DefaultTextColor = 4098,
    QMK_DefaultBackColor = 4099,
    QMK_DefaultFillColor = 4100,
    QMK_DefaultPenWidth = 4101,
    QMK_DefaultHighlightBack = 4104,
    QMK_DefaultHighlightFill = 4105,
    QMK_DefaultStampText = 4128,     // value: BSTR
    QMK_DefaultButtonText = 4131,    // value: BSTR
    QMK_DefaultTool = 4225,
    QMK_StreamSetting36760 = 36760,
    QMK_LayerCountSetting = 36761,
    QMK_StreamSetting36764 = 36764,
    QMK_DefaultStampFont = 40960,    // value: address of a LOGFONT
    QMK_DefaultTextFont = 40961,     // value: address of a LOGFONT
    QMK_DefaultButtonFont = 40962,   // value: address of a LOGFONT
};
constexpr int kEnginePropertyCount = 51;

// Attributes of tools, elements and annotation items.
enum annotationATTRIBUTE : int {
    QMK_PenColor = 1,
    QMK_TextColor = 2,
    QMK_BackColor = 3,
    QMK_FillColor = 4,
    QMK_PenWidth = 5,
    QMK_BoundingRect = 7,            // value: address of a RECT
    QMK_HighlightBack = 8,
    QMK_HighlightFill = 9,
    QMK_Text = 10,                   // value: BSTR
    QMK_Logfont = 11,                // value: address of a LOGFONT
    QMK_NumPoints = 12,
    QMK_BeginPtStyle = 13,
    QMK_EndPtStyle = 14,
    QMK_TransparentColor = 15,
    QMK_BackStyle = 16,
    QMK_DibPtr = 17,                 // value: HGLOBAL of a packed DIB
    QMK_ScrollBars = 18,
    QMK_Locked = 19,
    QMK_AutoSize = 20,
    QMK_Visible = 21,
    QMK_BevelLightColor = 22,
    QMK_BevelShadowColor = 23,
    QMK_ShowHandles = 24,
    QMK_Moveable = 25,
    QMK_PenStyle = 26,
    QMK_PenFillStyle = 27,
    QMK_TextOrientation = 28,
    QMK_Selected = 29,
    QMK_Sizeable = 33,
    QMK_CreateTime = 34,             // value: address of a VARIANT
    QMK_UserDraw = 36,
    QMK_TextLocked = 37,
    QMK_HatchStyle = 38,
    QMK_HatchColor = 39,
    QMK_ZOrder = 40,
    QMK_TextJustification = 41,
    QMK_ElementType = 128,
    QMK_ToolType = 129,
    QMK_ItemName = 640,              // value: BSTR
    QMK_Attribute1024 = 1024,
    QMK_UserLong = 1280,
    QMK_UserString = 1281,           // value: BSTR
    QMK_GroupId = 1800,
    QMK_ShowAbbr = 2112,
    QMK_MeasureChoice = 2113,
    QMK_ShowLength = 2114,
    QMK_GaugeLength = 2115,
    QMK_Precision = 2116,
    QMK_ShowGauge = 2117,
    QMK_RulerLength = 2118,
    QMK_ItemDib = 36718,
    QMK_WangType = 36719,
    QMK_ReservedTime = 36721,
    QMK_SequenceNumber = 36751,
    QMK_CreateSeconds = 36764,
};

// Properties of a layer (GetLayerProperty / SetLayerProperty).
enum LayerProperty : int {
    QMK_LayerVisible = 21,
    QMK_LayerName = 512,             // value: BSTR
    QMK_LayerActive = 513,
    QMK_LayerDescription = 772,      // value: BSTR
    QMK_LayerGroupId = 1800,
    QMK_LayerSequenceNumber = 36751,
    QMK_LayerProperty36752 = 36752,
    QMK_LayerItemCount = 36753,
    QMK_LayerGroupCount = 36766,
};

// Cursor kinds of SetUseCursorType / GetUseCursorType.
enum CursorType : int {
    Cursor_Creating = 0,
    Cursor_Selecting = 1,
    Cursor_Moving = 2,
};

// Values of attributes that select drawing modes.
enum linePenStyle : int {
    LinePenStyle_Solid = 5000,
    LinePenStyle_Dash = 5001,
    LinePenStyle_Dot = 5002,
    LinePenStyle_DashDot = 5003,
    LinePenStyle_DashDotDot = 5004,
};
enum linePenFillStyle : int {
    LinePenFillStyle_Invert = 5507,
    LinePenFillStyle_Translucent = 5509,
    LinePenFillStyle_Opaque = 5513,
};
enum LineEndStyle : int {
    LineStyle_Plain = 0,
    LineStyle_Arrow = 1,
};
enum hatchStyle : int {
    HatchStyle_None = 5999,
    HatchStyle_Horizontal = 6000,
    HatchStyle_Vertical = 6001,
    HatchStyle_FDiagonal = 6002,
    HatchStyle_BDiagonal = 6003,
    HatchStyle_Cross = 6004,
    HatchStyle_DiagonalCross = 6005,
};
enum backStyleValue : int {
    BackStyle_Transparent = 3001,
    BackStyle_Opaque = 3002,
    BackStyle_Translucent = 3003,
};
enum textJustification : int {
    QMK_LeftJustify = 7000,
    QMK_RightJustify = 7001,
    QMK_CenterJustify = 7002,
};

// Item ids of the engine's own context-menu commands.
enum AnnMethods : int {
    QMK_Cut = 1000,
    QMK_Copy = 1001,
    QMK_Paste = 1002,
    QMK_PasteLayer = 1003,
    QMK_CutLayer = 1004,
    QMK_CopyLayer = 1005,
    QMK_DeleteLayer = 1006,
    QMK_Delete = 1007,
    QMK_NudgeUp = 1536,
    QMK_NudgeDn = 1537,
    QMK_BringItemToFront = 1538,
    QMK_SendItemToBack = 1539,
};
// Context-menu item ids below this one are the engine's own.
constexpr int kFirstHostContextMenuId = 20000;

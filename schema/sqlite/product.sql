-- The shared product database on SQLite.
-- Text columns compare without regard to ASCII letter case (COLLATE NOCASE), as the statements
-- of the system expect. Column order is part of the contract: some reads go by position.
-- Every column that statements search or join by is indexed.

-- Users and groups
CREATE TABLE IF NOT EXISTS UserInformation (
    UserLogName VARCHAR(50) COLLATE NOCASE NOT NULL PRIMARY KEY,
    UserName VARCHAR(50) COLLATE NOCASE,
    UserDescription VARCHAR(255) COLLATE NOCASE,
    GroupName VARCHAR(255) COLLATE NOCASE,
    EmailAddress VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_UserInformation_GroupName ON UserInformation (GroupName);

CREATE TABLE IF NOT EXISTS GroupInformation (
    GroupName VARCHAR(50) COLLATE NOCASE NOT NULL PRIMARY KEY,
    GroupDescription VARCHAR(255) COLLATE NOCASE,
    Groupmanager VARCHAR(50) COLLATE NOCASE
);

-- Operation log
CREATE TABLE IF NOT EXISTS LogInformation (
    LogGroup VARCHAR(50) COLLATE NOCASE,
    LogType VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(100) COLLATE NOCASE,
    Machine VARCHAR(50) COLLATE NOCASE,
    LogTime VARCHAR(20) COLLATE NOCASE,
    Operation VARCHAR(1000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_LogInformation_PartCode ON LogInformation (PartCode);
CREATE INDEX IF NOT EXISTS IX_LogInformation_LogTime ON LogInformation (LogTime);

-- Work log
CREATE TABLE IF NOT EXISTS TeamWorkLog (
    LogID VARCHAR(100) COLLATE NOCASE,
    LogType VARCHAR(50) COLLATE NOCASE,
    UserName VARCHAR(100) COLLATE NOCASE,
    SaveDate VARCHAR(20) COLLATE NOCASE,
    LogTopic VARCHAR(255) COLLATE NOCASE,
    LogPrompt VARCHAR(1000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkLog_LogID ON TeamWorkLog (LogID);

-- Notices to users ("Reseiver" is the column's name)
CREATE TABLE IF NOT EXISTS MessageManage (
    Sender VARCHAR(50) COLLATE NOCASE,
    Reseiver VARCHAR(50) COLLATE NOCASE,
    SendTime VARCHAR(20) COLLATE NOCASE,
    SendDate VARCHAR(10) COLLATE NOCASE,
    MachineIP VARCHAR(50) COLLATE NOCASE,
    Topic VARCHAR(255) COLLATE NOCASE,
    Content VARCHAR(2000) COLLATE NOCASE,
    ReadFlag VARCHAR(1) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_MessageManage_Reseiver ON MessageManage (Reseiver, ReadFlag);

-- Sequences ("SELECT name.nextVal FROM dual" steps the row of that name).
CREATE TABLE IF NOT EXISTS vq_sequences (
    Name VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    Value INTEGER NOT NULL DEFAULT 0
);

-- ---------------------------------------------------------------------------------------------
-- Product structure: title and detail tables of the four families, the product catalogue,
-- rights, revision, borrowing and review-result tables.
--
-- Title tables: the first 27 columns are read by position (drawing detail view); TNote is the
-- 15th column, which that view skips. Family columns (FileID, ProjectNo) follow them.
-- Detail tables: one row per bill-of-materials line. The import deletes by (UpCode, Dcode) and
-- by TCode, the tree readers search by UpCode and Dcode: all of them are indexed, so storing a
-- structure costs in proportion to its lines.

CREATE TABLE IF NOT EXISTS VqkorvelAll_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_title_TCode ON VqkorvelAll_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_title_Product ON VqkorvelAll_title (ProductDwgCode);

CREATE TABLE IF NOT EXISTS VqkorvelAll_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_UpCode ON VqkorvelAll_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_Dcode ON VqkorvelAll_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_Product ON VqkorvelAll_detail (ProductDwgCode);

CREATE TABLE IF NOT EXISTS VqkorvelTeam_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_title_TCode ON VqkorvelTeam_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_title_FileID ON VqkorvelTeam_title (FileID);

CREATE TABLE IF NOT EXISTS VqkorvelTeam_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    PartFileID VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_UpCode ON VqkorvelTeam_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_Dcode ON VqkorvelTeam_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_FileID ON VqkorvelTeam_detail (FileID);

CREATE TABLE IF NOT EXISTS VqkorvelTask_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    ProjectNo VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_title_TCode ON VqkorvelTask_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_title_ProjectNo ON VqkorvelTask_title (ProjectNo);

CREATE TABLE IF NOT EXISTS VqkorvelTask_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    ProjectNo VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_UpCode ON VqkorvelTask_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_Dcode ON VqkorvelTask_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_ProjectNo ON VqkorvelTask_detail (ProjectNo);

CREATE TABLE IF NOT EXISTS VqkorvelVer_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_title_TCode ON VqkorvelVer_title (TCode, LateRev);

CREATE TABLE IF NOT EXISTS VqkorvelVer_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    ParentRev VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_detail_UpCode ON VqkorvelVer_detail (UpCode, ParentRev);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_detail_Dcode ON VqkorvelVer_detail (Dcode);

-- Named engineering views over the archive structure.
CREATE TABLE IF NOT EXISTS VqkorvelAll_View (
    ViewName VARCHAR(100) COLLATE NOCASE,
    PathName VARCHAR(1000) COLLATE NOCASE,
    Code VARCHAR(100) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_View_ViewName ON VqkorvelAll_View (ViewName, PathName);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_View_Code ON VqkorvelAll_View (Code);

-- Product catalogue
CREATE TABLE IF NOT EXISTS Product (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    ProductName VARCHAR(255) COLLATE NOCASE,
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE,
    ProductBak VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_Product_Style ON Product (ProductStyle, ProductStand);

CREATE TABLE IF NOT EXISTS ProductGroup (
    ProductStyle VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    ProductName VARCHAR(255) COLLATE NOCASE,
    Description VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    UpperManager VARCHAR(50) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductGroup_Manager ON ProductGroup (Manager);

CREATE TABLE IF NOT EXISTS ProductStand (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductStand_Style ON ProductStand (ProductStyle);

CREATE TABLE IF NOT EXISTS ProductDesigner (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductDesigner_Style ON ProductDesigner (ProductStyle);
CREATE INDEX IF NOT EXISTS IX_ProductDesigner_UserName ON ProductDesigner (UserName);

CREATE TABLE IF NOT EXISTS ProductRight (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    UserLogName VARCHAR(50) COLLATE NOCASE,
    ManageType VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductRight_User ON ProductRight (UserLogName, ManageType);
CREATE INDEX IF NOT EXISTS IX_ProductRight_Product ON ProductRight (ProductDwgCode);

CREATE TABLE IF NOT EXISTS ProductGroupTree (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE,
    UpGroupNo VARCHAR(100) COLLATE NOCASE,
    UpGroupType VARCHAR(50) COLLATE NOCASE,
    GroupNo VARCHAR(100) COLLATE NOCASE,
    GroupName VARCHAR(255) COLLATE NOCASE,
    GroupType VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductGroupTree_Style ON ProductGroupTree (ProductStyle, ProductStand);
CREATE INDEX IF NOT EXISTS IX_ProductGroupTree_Up ON ProductGroupTree (UpGroupNo);

CREATE TABLE IF NOT EXISTS BrowseRight (
    UserName VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    EndDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BrowseRight_User ON BrowseRight (UserName, PartCode);

-- Revision register of part codes
CREATE TABLE IF NOT EXISTS PartRevManage (
    PartCode VARCHAR(100) COLLATE NOCASE,
    RevPath VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE,
    CreateDate VARCHAR(30) COLLATE NOCASE,
    ModifiedDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_PartRevManage_PartCode ON PartRevManage (PartCode);

-- Borrowing (reuse) register
CREATE TABLE IF NOT EXISTS BorrowingRelation (
    Code VARCHAR(100) COLLATE NOCASE,
    BorrowedCode VARCHAR(100) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_Code ON BorrowingRelation (Code);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_BorrowedCode ON BorrowingRelation (BorrowedCode);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_ProductCode ON BorrowingRelation (ProductCode);

CREATE TABLE IF NOT EXISTS BorrowedParts (
    PartCode VARCHAR(100) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BorrowedParts_PartCode ON BorrowedParts (PartCode);
CREATE INDEX IF NOT EXISTS IX_BorrowedParts_ProductCode ON BorrowedParts (ProductCode);

-- Product review results
CREATE TABLE IF NOT EXISTS ProductAuditResult (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    SavedTime VARCHAR(30) COLLATE NOCASE,
    ResultGroup VARCHAR(50) COLLATE NOCASE,
    Result VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductAuditResult_Product ON ProductAuditResult (ProductDwgCode, ResultGroup);

-- ---------------------------------------------------------------------------------------------
-- Projects, project tasks and the work tasks of the work groups, as the completeness query, the
-- personal work-task browser and the work-document picker read them: project and task rows, work
-- task rows, the work documents handed in as work results, and the design part links of a work.
CREATE TABLE IF NOT EXISTS ProjectManage (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    ProjectName VARCHAR(255) COLLATE NOCASE,
    ProjectPath VARCHAR(1000) COLLATE NOCASE,
    ProjectManager VARCHAR(50) COLLATE NOCASE,
    CreatedTime VARCHAR(30) COLLATE NOCASE,
    ModifiedTime VARCHAR(30) COLLATE NOCASE,
    PreendedTime VARCHAR(30) COLLATE NOCASE,
    WorkState VARCHAR(50) COLLATE NOCASE,
    Remark VARCHAR(255) COLLATE NOCASE,
    ProjectResource VARCHAR(255) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(1000) COLLATE NOCASE,
    TaskType VARCHAR(10) COLLATE NOCASE,
    AlertTime VARCHAR(30) COLLATE NOCASE,
    TaskAssigner VARCHAR(50) COLLATE NOCASE,
    Other3 VARCHAR(30) COLLATE NOCASE,
    Other4 INTEGER DEFAULT 500,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LatestRev VARCHAR(20) COLLATE NOCASE,
    PreTaskName VARCHAR(1000) COLLATE NOCASE,
    LeftTopPoint VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProjectManage_ProjectNo ON ProjectManage (ProjectNo);
CREATE INDEX IF NOT EXISTS IX_ProjectManage_Path ON ProjectManage (ProjectPath, ProjectName);
CREATE INDEX IF NOT EXISTS IX_ProjectManage_Manager ON ProjectManage (ProjectManager);

CREATE TABLE IF NOT EXISTS TeamWorkManage (
    TaskNo VARCHAR(100) COLLATE NOCASE,
    UpWorkID VARCHAR(200) COLLATE NOCASE,
    WorkID VARCHAR(200) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    WorkName VARCHAR(255) COLLATE NOCASE,
    WorkPrompt TEXT COLLATE NOCASE,
    WorkRequest TEXT COLLATE NOCASE,
    WorkType VARCHAR(10) COLLATE NOCASE,
    BeginTime VARCHAR(30) COLLATE NOCASE,
    CheckTime VARCHAR(30) COLLATE NOCASE,
    PreEndedTime VARCHAR(30) COLLATE NOCASE,
    CreateTime VARCHAR(30) COLLATE NOCASE,
    WorkState VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    BeginNum INTEGER DEFAULT 1,
    EndNum INTEGER DEFAULT 9999,
    Other1 INTEGER DEFAULT 500,
    FinishedTime VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_WorkID ON TeamWorkManage (WorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_TaskNo ON TeamWorkManage (TaskNo);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_UpWorkID ON TeamWorkManage (UpWorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_Manager ON TeamWorkManage (Manager);

CREATE TABLE IF NOT EXISTS TeamWorkResult (
    FileID VARCHAR(100) COLLATE NOCASE,
    WorkID VARCHAR(200) COLLATE NOCASE,
    FilePrompt VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileSize VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileLabel VARCHAR(100) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(1000) COLLATE NOCASE,
    AuditingType VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE,
    Other2 VARCHAR(255) COLLATE NOCASE,
    Other3 VARCHAR(255) COLLATE NOCASE,
    Other4 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_FileID ON TeamWorkResult (FileID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_WorkID ON TeamWorkResult (WorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_PartCode ON TeamWorkResult (PartCode);

CREATE TABLE IF NOT EXISTS TeamWorkPartTree (
    WorkID VARCHAR(200) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE,
    DCode VARCHAR(100) COLLATE NOCASE,
    DName VARCHAR(255) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_Work ON TeamWorkPartTree (WorkID, UpCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_UpCode ON TeamWorkPartTree (UpCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_DCode ON TeamWorkPartTree (DCode);

-- Borrowing relation browser: releasing every borrowing below a parent deletes by UpCode
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_UpCode ON BorrowingRelation (UpCode);

-- ---------------------------------------------------------------------------------------------
-- Released documents of parts and the revision register of projects, as the revision browser and
-- the revision pickers read them.
CREATE TABLE IF NOT EXISTS Documents (
    Code VARCHAR(100) COLLATE NOCASE,
    DocumentType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileRemark VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_Documents_Code ON Documents (Code, RevNumber);

CREATE TABLE IF NOT EXISTS TaskRevManage (
    ProjectNo VARCHAR(200) COLLATE NOCASE,
    RevPath VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE,
    CreateDate VARCHAR(30) COLLATE NOCASE,
    ModifiedDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskRevManage_ProjectNo ON TaskRevManage (ProjectNo);

-- ---------------------------------------------------------------------------------------------
-- Change orders (as far as the revision browser reads them)
CREATE TABLE IF NOT EXISTS ECOPartRelease (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    IsChanged VARCHAR(10) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    RevNo VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOPartRelease_Part ON ECOPartRelease (PartCode, ECOGroup);
CREATE INDEX IF NOT EXISTS IX_ECOPartRelease_No ON ECOPartRelease (ECOGroup, ECONo);

CREATE TABLE IF NOT EXISTS ECORelateFile (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    DocType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(50) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB,
    Other4 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECORelateFile_No ON ECORelateFile (ECOGroup, ECONo, DocType);

-- ---------------------------------------------------------------------------------------------
-- Work tasks of the work groups: a work task's id is its key (two clients numbering under one
-- parent at once cannot both store the same id), and the drawing pages that the work documents
-- hold for a part (the latest document of each page is the part's current one).
CREATE UNIQUE INDEX IF NOT EXISTS UX_TeamWorkManage_WorkID ON TeamWorkManage (WorkID);

CREATE TABLE IF NOT EXISTS TeamWorkPartResult (
    PartCode VARCHAR(100) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    PageNum VARCHAR(20) COLLATE NOCASE,
    PageCount VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartResult_PartCode ON TeamWorkPartResult (PartCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartResult_FileID ON TeamWorkPartResult (FileID);

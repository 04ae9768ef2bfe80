-- Demo data of the demo workspace: a few users in two groups. Later subsystems add their rows.
INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', '结构设计', 'zhangsan');
INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计二室', '电气设计', 'lisi');
INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('工艺室', '工艺审查', 'wangwu');

INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName, EmailAddress) VALUES ('admin', '系统管理员', '数据维护', '', 'admin@localhost');
INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName, EmailAddress) VALUES ('zhangsan', '张三', '主任设计师', '设计一室', 'zhangsan@localhost');
INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName, EmailAddress) VALUES ('lisi', '李四', '设计师', '设计二室', 'lisi@localhost');
INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName, EmailAddress) VALUES ('wangwu', '王五', '工艺师', '工艺室),(设计一室', 'wangwu@localhost');
INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName, EmailAddress) VALUES ('zhaoliu', '赵六', '校对', '设计一室', 'zhaoliu@localhost');

-- Products: two classes, three products; P-1000 has a structure four levels deep.
INSERT INTO ProductGroup (ProductStyle, ProductName, Description, Manager, UpperManager, ProductCode) VALUES ('JX', '减速机', '齿轮减速机', 'zhangsan', 'admin', 'JX');
INSERT INTO ProductGroup (ProductStyle, ProductName, Description, Manager, UpperManager, ProductCode) VALUES ('BF', '泵阀', '离心泵与阀门', 'lisi', 'admin', 'BF');
INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('JX', 'ZQ-250');
INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('JX', 'ZQ-350');
INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('BF', 'IS-80');
INSERT INTO ProductDesigner (ProductStyle, UserName) VALUES ('JX', 'zhangsan');
INSERT INTO ProductDesigner (ProductStyle, UserName) VALUES ('JX', 'zhaoliu');
INSERT INTO ProductDesigner (ProductStyle, UserName) VALUES ('BF', 'lisi');
INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand, ProductBak) VALUES ('P-1000', '二级圆柱齿轮减速机', 'JX', 'ZQ-250', '');
INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand, ProductBak) VALUES ('P-2000', '三级圆柱齿轮减速机', 'JX', 'ZQ-350', '');
INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand, ProductBak) VALUES ('B-3000', '单级离心泵', 'BF', 'IS-80', '');
INSERT INTO ProductRight (ProductDwgCode, UserLogName, ManageType) VALUES ('B-3000', 'wangwu', '控制');

INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000', '二级圆柱齿轮减速机', '', 820.0, 'A0', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-01', '箱体部件', '', 310.0, 'A1', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-01-01', '箱座', 'HT200', 180.0, 'A1', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-01-02', '箱盖', 'HT200', 120.0, 'A1', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-02', '高速轴部件', '', 45.0, 'A2', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-02-01', '齿轮轴组件', '', 30.0, 'A2', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-02-01-01', '齿轮轴', '40Cr', 22.5, 'A3', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-02-01-02', '挡油环', 'Q235', 0.8, 'A4', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('P-1000-02-02', '轴承端盖', 'HT150', 2.1, 'A4', '2026-11-02 09:00:00', 'P-1000', '#', 'A', 'A', 'zhangsan', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('B-3000', '单级离心泵', '', 95.0, 'A0', '2026-11-03 10:30:00', 'B-3000', '#', 'A', 'A', 'lisi', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('B-3000-01', '泵体', 'HT250', 40.0, 'A1', '2026-11-03 10:30:00', 'B-3000', '#', 'A', 'A', 'lisi', '数据导入');
INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, Tframe, Ttime, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, State) VALUES ('B-3000-02', '叶轮', 'ZG230', 6.5, 'A2', '2026-11-03 10:30:00', 'B-3000', '#', 'A', 'A', 'lisi', '数据导入');

INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000', '二级圆柱齿轮减速机', 1, 'P-1000-01', '箱体部件', '', 310.0, 310.0, 1, '', '部件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000', '二级圆柱齿轮减速机', 2, 'P-1000-02', '高速轴部件', '', 45.0, 45.0, 1, '', '部件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000', '二级圆柱齿轮减速机', 3, 'GB/T 5782 M16x60', '六角头螺栓', '8.8级', 0.12, 0.96, 8, '外购', '标准件', 'M16x60', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-01', '箱体部件', 1, 'P-1000-01-01', '箱座', 'HT200', 180.0, 180.0, 1, '', '零件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-01', '箱体部件', 2, 'P-1000-01-02', '箱盖', 'HT200', 120.0, 120.0, 1, '', '零件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-02', '高速轴部件', 1, 'P-1000-02-01', '齿轮轴组件', '', 30.0, 30.0, 1, '', '组件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-02', '高速轴部件', 2, 'P-1000-02-02', '轴承端盖', 'HT150', 2.1, 4.2, 2, '', '零件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-02-01', '齿轮轴组件', 1, 'P-1000-02-01-01', '齿轮轴', '40Cr', 22.5, 22.5, 1, '调质', '零件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-02-01', '齿轮轴组件', 2, 'P-1000-02-01-02', '挡油环', 'Q235', 0.8, 1.6, 2, '', '零件', '', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('P-1000-02-01', '齿轮轴组件', 3, 'GB/T 276 6308', '深沟球轴承', '', 0.63, 1.26, 2, '外购', '标准件', '6308', '', '', 'P-1000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('B-3000', '单级离心泵', 1, 'B-3000-01', '泵体', 'HT250', 40.0, 40.0, 1, '', '零件', '', '', '', 'B-3000');
INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, Dquantity, Dremark, Dstyle, Dstand, Dother1, Dother2, ProductDwgCode) VALUES ('B-3000', '单级离心泵', 2, 'B-3000-02', '叶轮', 'ZG230', 6.5, 6.5, 1, '', '零件', '', '', '', 'B-3000');

INSERT INTO PartRevManage (PartCode, RevPath, RevNumber, CreateDate, ModifiedDate) VALUES ('P-1000-02-01-01', '', 'A', '2026-11-02', '2026-11-02');
INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('P-1000-02-02', 'P-1000-02-02', 'P-2000', 'P-2000');
INSERT INTO BorrowedParts (PartCode, ProductCode) VALUES ('P-1000-02-02', 'P-2000');

-- A design project with a work-group task and one work task of zhangsan that designs the
-- gearbox housing: its structure in the collaborative-design tables (two drawings stored, three
-- missing, one standard part) and two drawing files handed in as work results.
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('XM-01', '二级减速机设计', '项目管理', 'zhangsan', '2026-11-01 09:00', '2027-03-31', '正进行中', 'V', 'admin', 500);
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('XM-01-01', '箱体结构设计', '二级减速机设计\', 'zhangsan', '2026-11-01 09:30', '2027-01-31', '正进行中', 'T', 'zhangsan', 500);
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('XM-01-02', '传动设计', '二级减速机设计\', 'lisi', '2026-11-01 09:40', '2027-01-31', '未开始', 'T', 'zhangsan', 500);
INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) VALUES ('XM-01-01', 'XM-01-01', 'XM-01-01#001', 'zhangsan', '箱体部件设计', 'W', '2026-11-02', '2026-12-20', '2026-12-31', '2026-11-01 10:00', '正进行中', 'P-1000-01', 1, 9999, 500);
INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) VALUES ('XM-01-01', 'XM-01-01', 'XM-01-01#002', 'zhaoliu', '箱盖附件设计', 'W', '2026-11-02', '2026-12-20', '2026-12-31', '2026-11-01 10:05', '待确认', 'P-1000-01', 1, 9999, 500);
INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES ('XM-01-01#001', 'XM-01-01#001', 'P-1000-01', '箱体部件', '');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01', '箱体部件', 1, 'P-1000-01-01', '箱座', 'HT200', 1, '', '零件');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01', '箱体部件', 2, 'P-1000-01-02', '箱盖', 'HT200', 1, '', '组件');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01', '箱体部件', 3, 'P-1000-01-03', '窥视孔盖', 'Q235', 1, '', '零件');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01', '箱体部件', 4, 'GB/T 5782 M12x40', '六角头螺栓', '8.8级', 6, '外购', '标准件');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01', '箱体部件', 5, 'P-1000-01-04', '油标', '', 1, '', '零件');
INSERT INTO VqkorvelTeam_detail (UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dremark, Dstyle) VALUES ('P-1000-01-02', '箱盖', 1, 'P-1000-01-02-01', '吊耳', 'Q235', 2, '', '零件');
INSERT INTO VqkorvelTeam_title (TCode, TName, TMaterial, Tframe, Ttime, ProductDwgCode, Tother4, CurrentRev, LateRev, Manager, State, FileID) VALUES ('P-1000-01-01', '箱座', 'HT200', 'A1', '2026-11-20 15:00:00', 'P-1000', 'JX250-01-01', 'A', 'A', 'zhangsan', '设计', 'F-0001');
INSERT INTO VqkorvelTeam_title (TCode, TName, TMaterial, Tframe, Ttime, ProductDwgCode, Tother4, CurrentRev, LateRev, Manager, State, FileID) VALUES ('P-1000-01-02', '箱盖', 'HT200', 'A1', '2026-11-21 10:00:00', 'P-1000', '', 'A', 'A', 'zhangsan', '设计', 'F-0002');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode) VALUES ('F-0001', 'XM-01-01#001', '箱座零件图', 'P-1000-01-01.dwg', '412', '2026-11-20 14:55:00', 'AutoCAD 图形', '2026-11-20 15:00:00', '评审', 'P-1000-01-01');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode) VALUES ('F-0002', 'XM-01-01#001', '箱盖装配图', 'P-1000-01-02.dwg', '655', '2026-11-21 09:50:00', 'AutoCAD 图形', '2026-11-21 10:00:00', '待评审', 'P-1000-01-02');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode) VALUES ('F-0003', 'XM-01-01#001', '箱座技术要求', '箱座技术要求.doc', '38', '2026-11-20 16:00:00', 'Microsoft Word 文档', '2026-11-20 16:05:00', '评审', 'P-1000-01-01');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode) VALUES ('F-0004', 'XM-01-01#001', '箱座零件图(修改)', 'P-1000-01-01-B.dwg', '420', '2026-11-25 11:00:00', 'AutoCAD 图形', '2026-11-25 11:05:00', '待评审', 'P-1000-01-01');

-- Design projects: the project XM-01 gets a third work-group task (the cover accessories, whose work
-- tasks follow below), a project group and the work group of its housing task, and task log rows; a
-- simple project XM-02 of lisi holds one work task directly. A work-group task holds work tasks and
-- no tasks below it; a project task holds tasks and no work tasks.
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('XM-01-03', '箱盖附件设计', '二级减速机设计\', 'zhaoliu', '2026-11-01 09:50', '2027-01-15', '正进行中', 'T', 'zhangsan', 500);
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('XM-02', '离心泵改型', '项目管理', 'lisi', '2026-11-03 11:00', '2027-02-28', '正进行中', 'S', 'lisi', 500);
INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) VALUES ('XM-02', 'XM-02', 'XM-02#001', 'lisi', '叶轮改型设计', 'W', '2026-11-04', '2027-01-20', '2027-01-31', '2026-11-03 11:10', '正进行中', 'B-3000-02', 1, 9999, 500);
INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) VALUES ('XM-01', '_P', 'XM-01', 'zhangsan', 'Y', '2026-11-01 09:05');
INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) VALUES ('XM-01', '_P', 'XM-01', 'lisi', 'N', '2026-11-01 09:05');
INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) VALUES ('XM-01', '_T', 'XM-01-01', 'zhangsan', 'Y', '2026-11-01 09:35');
INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) VALUES ('XM-01', '_T', 'XM-01-01', 'zhaoliu', 'N', '2026-11-01 09:35');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType) VALUES ('XM-01', '二级减速机设计', 'admin', '2026-11-01 09:00:00', '分配任务');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType) VALUES ('XM-01-01', '箱体结构设计', 'zhangsan', '2026-11-01 09:30:00', '分配任务');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType) VALUES ('XM-02', '离心泵改型', 'admin', '2026-11-03 11:00:00', '分配任务');

-- Parts of the work tasks: the housing part that zhangsan's work task declared for its structure.
INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UserName, TrastUser, SaveDate, UsedFlag, IsAssemble, State) VALUES ('XM-01-01#001', 'P-1000-01', '箱体部件', 'A', 'zhangsan', 'zhangsan', '2026-11-01 10:10', 1, 1, '分配');

-- Review workflow: a three-level review template whose second level holds two steps side by
-- side, a plain countersigning template, and a drawing of the housing work that is reviewed by
-- the three-level template, and a second one already submitted, waiting for the first step "校对"
-- of zhaoliu.
INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', '混合', '校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)');
INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('会签', '并联', '设计会签(40,20)|*|工艺会签(240,20)');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, AuditingModel, AuditorName, AuditingType, PartCode, Other3) VALUES ('F-0005', 'XM-01-01#001', '箱盖零件图', 'P-1000-01-02-01.dwg', '388', '2026-11-26 09:30:00', 'AutoCAD 图形', '2026-11-26 09:35:00', '评审', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin', '混合', 'P-1000-01-02', '2026-11-26 09:40:00');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, AuditingModel, AuditorName, AuditingType, PartCode, Other3) VALUES ('F-0006', 'XM-01-01#001', '箱座轴承孔详图', 'P-1000-01-01-02.dwg', '388', '2026-11-27 10:30:00', 'AutoCAD 图形', '2026-11-27 10:35:00', '评审', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin', '混合', 'P-1000-01-01', '2026-11-27 10:40:00');
INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager) VALUES ('F-0006', '校对', 'zhaoliu', '2026-11-27 10:40', '未完成', 'zhaoliu');

-- Engineering change orders: the configuration of both groups, the departments (the manager by
-- user name), and change notices of the product JX in each state with their numbers, changed
-- parts, handout departments and review steps; one modification notice.
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审方式', '0');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审流程', '三级评审');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审人员', 'zhaoliu|*|zhangsan|*|wangwu|*|admin');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '编号宽度', '3');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '编号分隔', '-');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '编号方式', '1');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '评审方式', '1');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '评审流程', '会签');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '评审人员', 'zhangsan|*|wangwu');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '编号宽度', '3');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '编号分隔', '-');
INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '编号方式', '2');
INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('D01', '设计一室', '张三');
INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('D02', '设计二室', '李四');
INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('G01', '工艺室', '王五');
INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('S01', '生产车间', '赵六');
INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) VALUES ('更改单', 'JX-2026', 1, '张三', '2026-11-10 09:00', 'JX-2026-001');
INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) VALUES ('更改单', 'JX-2026', 2, '张三', '2026-11-12 10:00', 'JX-2026-002');
INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) VALUES ('更改单', 'JX-2026', 3, '张三', '2026-11-15 14:30', 'JX-2026-003');
INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) VALUES ('更改单', 'JX-2026', 4, '李四', '2026-11-20 08:45', 'JX-2026-004');
INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) VALUES ('修改单', '-2026', 1, '李四', '2026-11-21 11:00', 'JX-2026-001');
INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) VALUES ('JX-2026-001', '普通', '张三', '2026-11-10 09:00', '正式', 'JX', '减速机', 'JX', '设计一室; 生产车间', '箱座壁厚加大', 'SC-0101', '按组', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin');
INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) VALUES ('JX-2026-002', '中等', '张三', '2026-11-12 10:00', '评审', 'JX', '减速机', 'JX', '工艺室', '箱盖吊耳位置调整', 'SC-0102', '按组', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin');
INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) VALUES ('JX-2026-003', '优先', '张三', '2026-11-15 14:30', '更改', 'JX', '减速机', 'JX', '设计一室', '油标规格更换', '', '按组', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin');
INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) VALUES ('JX-2026-004', '普通', '李四', '2026-11-20 08:45', '临时', 'JX', '减速机', 'JX', '', '', '', '按组', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin');
INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES ('JX-2026-001', 'P-1000-01-01', '箱座', 'a', '2', '');
INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES ('JX-2026-002', 'P-1000-01-02', '箱盖', 'b', '1', 'JX-2026-001');
INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES ('JX-2026-003', 'P-1000-01-04', '油标', 'c', '1', '');
INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES ('JX-2026-004', 'P-1000-01-01', '箱座', '', '', '');
INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'JX-2026-001', '设计一室');
INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'JX-2026-001', '生产车间');
INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, SaveDate) VALUES ('更改单', 'JX-2026-001', 'P-1000-01-01', '箱座', '否', '2026-11-11');
INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, FinishTime, AuditResult, AuditState, AuditManager) VALUES ('更改单', 'JX-2026-001', '按组', '校对', 'zhaoliu', '2026-11-10', '2026-11-10', '通过', '完成', 'zhaoliu');
INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, AuditState, AuditManager) VALUES ('更改单', 'JX-2026-002', '按组', '校对', 'zhaoliu', '2026-11-12', '未完成', 'zhaoliu');
INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, FinishTime, AuditResult, AuditState, AuditManager) VALUES ('更改单', 'JX-2026-003', '按组', '校对', 'zhaoliu', '2026-11-15', '2026-11-15', '通过', '完成', 'zhaoliu');
INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, FinishTime, AuditResult, AuditRemark, AuditState, AuditManager) VALUES ('更改单', 'JX-2026-003', '按组', '审核', 'zhangsan', '2026-11-16', '2026-11-16', '不通过', '油标型号不对', '完成', 'zhangsan');
INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, Department, Resion, Remark, AuditingType, AuditingModel, AuditorName, Content, AffectNo) VALUES ('JX-2026-001', '普通', '李四', '2026-11-21 11:00', '临时', '2026-12-01', '起', '工艺室', '加工困难', '', '按单', '会签', 'zhangsan|*|wangwu', '改蓝图: 箱座倒角', '');
INSERT INTO ECOModifyPart (ECONo, PartCode, PartName, Result, Other1, Other2, Other3) VALUES ('JX-2026-001', 'P-1000-01-01', '箱座', '修改', 'a', '1', '尺寸');
-- Design projects (execution status): the housing task XM-01-01 has gone through a first design
-- with a review and a resubmission, then a change notice opened its second design; it sits
-- before the transmission task in the level's flow chart and has one archived version.
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'zhangsan', '2026-11-20 15:00:00', '首次提交', '箱座、箱盖零件图及技术要求');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'wangwu', '2026-11-21 10:00:00', '任务评审', '箱座壁厚不足，请修改。');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'zhangsan', '2026-11-22 09:00:00', '评审-更改提交', '壁厚改为12mm');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'admin', '2026-11-23 16:00:00', '评审结束', '同意');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'admin', '2026-11-25 09:00:00', '任务更改通知', '客户要求输出轴加长20mm，箱体轴承座相应修改。');
INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Advise) VALUES ('XM-01-01', '箱体结构设计', 'zhangsan', '2026-11-28 17:00:00', '首次提交', '修改后的箱座零件图');
UPDATE ProjectManage SET LeftTopPoint = '(40,30)', CurrentRev = 'A' WHERE ProjectNo = 'XM-01-01';
UPDATE ProjectManage SET PreTaskName = '箱体结构设计', LeftTopPoint = '(240,130)' WHERE ProjectNo = 'XM-01-02';
UPDATE ProjectManage SET PreTaskName = '箱体结构设计', LeftTopPoint = '(440,130)' WHERE ProjectNo = 'XM-01-03';
INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber, CreateDate, ModifiedDate) VALUES ('XM-01-01', '', 'A', '2026-11-23', '2026-11-23');
INSERT INTO TaskRevDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark, RevNumber) VALUES ('XM-01-01', '箱座零件图', 'P-1000-01-01.dwg', 'AutoCAD 图形', '412', '2026-11-20 14:55:00', '', 'A');

-- Review workflow (results): related messages of the housing task and of the housing drawing.
INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES ('XM-01-01', '任务', '输出轴加长', 'admin', '2026-11-25 09:00:00', '客户要求输出轴加长20mm，箱体轴承座相应修改。');
INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES ('XM-01-01', '任务', '壁厚', 'wangwu', '2026-11-21 10:00:00', '箱座壁厚不足，按12mm设计。');
INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES ('P-1000-01-01', '图纸', '铸造圆角', 'zhangsan', '2026-11-20 15:10:00', '未注铸造圆角R3~R5。');

-- Change labels of part drawings: the cover P-1000-01-02 was released as revision A and, after the
-- change notice JX-2026-002 moved its lifting lug, as revision B (its current revision). The
-- released design drawings lie on the file server under Vq\Proven\P-1000\P-1000-01-02\<revision>.
UPDATE VqkorvelAll_title SET CurrentRev = 'B', LateRev = 'B' WHERE TCode = 'P-1000-01-02';
INSERT INTO PartRevManage (PartCode, RevPath, RevNumber, CreateDate, ModifiedDate) VALUES ('P-1000-01-02', '', 'A', '2026-11-02', '2026-11-02');
INSERT INTO PartRevManage (PartCode, RevPath, RevNumber, CreateDate, ModifiedDate) VALUES ('P-1000-01-02', 'A\', 'B', '2026-11-14', '2026-11-14');
INSERT INTO Documents (Code, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark, RevNumber) VALUES ('P-1000-01-02', '零件设计图', 'P-1000-01-02.dwg', 'AutoCAD 图形', '396', '2026-11-02 09:00:00', '', 'A');
INSERT INTO Documents (Code, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark, RevNumber) VALUES ('P-1000-01-02', '零件设计图', 'P-1000-01-02.dwg', 'AutoCAD 图形', '402', '2026-11-14 16:00:00', '吊耳位置调整', 'B');
INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES ('P-1000-01-02', 'A', 'a', 'B3', '1', '', '张三', '2026-11-02', '首次发放', '轴承座孔', '', '230.000000', '450.000000', '530.000000', '690.000000');
INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES ('P-1000-01-02', 'B', '1', 'A2', '1', 'JX-2026-002', '张三', '2026-11-14', '箱盖吊耳位置调整', '左吊耳中心右移60mm', '', '120.000000', '170.000000', '420.000000', '380.000000');
INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES ('P-1000-01-02', 'B', '2', 'C3', '2', 'JX-2026-002', '张三', '2026-11-14', '起吊时箱盖壁变形', '箱盖壁厚由12改为16', '', '780.000000', '300.000000', '960.000000', '430.000000');
-- Team work: the work group of the cover accessories task (XM-01-03, zhaoliu) with one work
-- task whose documents are released and counter-signed, ready to be marked complete; and drawing
-- download requests of the last weeks.
INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) VALUES ('XM-01-03', 'XM-01-03', 'XM-01-03#001', 'zhaoliu', '附件设计组', 'V', '2026-11-05', '2027-01-05', '2027-01-10', '2026-11-04 09:00', '正进行中', 'P-1000-01', 1, 9999, 500);
INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) VALUES ('XM-01-03', 'XM-01-03#001', 'XM-01-03#001#001', 'zhaoliu', '视孔盖设计', 'W', '2026-11-05', '2027-01-05', '2027-01-10', '2026-11-04 09:10', '正进行中', 'P-1000-01-05', 1, 9999, 500);
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode, Other2) VALUES ('F-0101', 'XM-01-03#001#001', '视孔盖零件图', 'P-1000-01-05.dwg', '120', '2026-11-18 10:00:00', 'AutoCAD 图形', '2026-11-18 10:05:00', '正式', 'P-1000-01-05', '已反签');
INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, SaveDate, State, PartCode) VALUES ('F-0102', 'XM-01-03#001#001', '视孔盖技术要求', '视孔盖技术要求.doc', '22', '2026-11-18 11:00:00', 'Microsoft Word 文档', '2026-11-18 11:05:00', '已归档', 'P-1000-01-05');
INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('XM-01-03#001#001', 'XM-01-03#001#001', 'P-1000-01-05', '视孔盖');
INSERT INTO TeamWorkPrintMain (ApplyNo, Applicator, ApplyDate, Checker, CheckDate, CheckReason, Printer, PrintDate, Other1) VALUES ('SQ-0001', 'zhangsan', '2026-11-20 09:30:00', 'admin', '2026-11-20 10:00:00', '同意', 'zhangsan', '2026-11-20 14:00:00', '已下载');
INSERT INTO TeamWorkPrintMain (ApplyNo, Applicator, ApplyDate, Checker, CheckDate, CheckReason, Printer, PrintDate, Other1) VALUES ('SQ-0002', 'lisi', '2026-11-25 15:00:00', '', '', '', '', '', '申请');
INSERT INTO TeamWorkPrintFile (ApplyNo, FileID, Other1, Other2, Other3, Other4) VALUES ('SQ-0001', 'P-1000', 'P-1000-01-01', '箱座', 'A', 'P-1000-01-01.dwg');
INSERT INTO TeamWorkPrintFile (ApplyNo, FileID, Other1, Other2, Other3, Other4) VALUES ('SQ-0001', 'P-1000', 'P-1000-01-02', '箱盖', 'A', 'P-1000-01-02.dwg');
INSERT INTO TeamWorkPrintFile (ApplyNo, FileID, Other1, Other2, Other3, Other4) VALUES ('SQ-0002', 'P-1000', 'P-1000-01-01', '箱座', 'A', 'P-1000-01-01.dwg');

-- Design review of project tasks: the pump body task XM-02-01 is under review with the three-level
-- template; its first level (校对, zhaoliu) is open and its two documents wait to be passed.
INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, PreendedTime, WorkState, AuditingModel, AuditorName, TaskType, TaskAssigner, Other4) VALUES ('XM-02-01', '泵体结构设计', '离心泵改型\', 'lisi', '2026-11-03 11:20', '2027-01-31', '评审', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin', 'T', 'lisi', 500);
INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, FinishTime, AuditState, AuditResult, AuditRemark, Working, RedlineFiles, AuditManager) VALUES ('XM-02-01', '校对', 'zhaoliu', '2026-12-01', NULL, '未完成', NULL, NULL, 'F', NULL, 'zhaoliu');
INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark) VALUES ('XM-02-01', '泵体装配图', 'B-3000-02-01.dwg', 'AutoCAD 图形', '520KB', '2026-11-28', '');
INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark) VALUES ('XM-02-01', '强度计算书', '泵体强度计算书.doc', 'Microsoft Word 文档', '64KB', '2026-11-28', '');

-- Change labels of change-order documents: the change notice JX-2026-002 carries its own sheet, the
-- cover drawing P-1000-01-02.dwg (its content is stored by demo-content.sql) and a calculation;
-- two labels mark the moved lifting lug and the thicker wall.
INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, DocSaved, DocContent, Other4) VALUES ('更改单', 'JX-2026-002', '_VQ_ECO', 'JX-2026-002.doc', '24', 'Word 文档', '2026-11-12 10:00', '', NULL, '');
INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, DocSaved, DocContent, Other4) VALUES ('更改单', 'JX-2026-002', '箱盖零件图', 'P-1000-01-02.dwg', '4', 'AutoCAD 图形', '2026-11-12 09:40', '', NULL, '吊耳位置调整后');
INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, DocSaved, DocContent, Other4) VALUES ('更改单', 'JX-2026-002', '吊耳强度计算', 'P-1000-01-02-calc.xls', '18', 'Excel 工作表', '2026-11-12 09:50', '', NULL, '');
INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES ('更改单', 'JX-2026-002', '箱盖零件图', '1', 'A2', '1', 'P-1000-01-02', '张三', '2026-11-12', '箱盖吊耳位置调整', '左吊耳中心右移60mm', '', '90.000000', '90.000000', '210.000000', '180.000000');
INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES ('更改单', 'JX-2026-002', '箱盖零件图', '2', 'C3', '2', 'P-1000-01-02', '张三', '2026-11-12', '起吊时箱盖壁变形', '箱盖壁厚由12改为16', '', '400.000000', '160.000000', '520.000000', '250.000000');

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
